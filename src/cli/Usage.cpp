// The texts of `zk --help` and `zk --version`.
#include "cli/Usage.h"

namespace zk::cli {

std::string UsageText() {
    return R"(Usage:
  zk check   FILE [compile options]
  zk build   FILE -o OUT [compile options]
  zk unit    FILE -o OUT [compile options]
  zk listing FILE [--unit] [-o OUT] [compile options]
  zk run     FILE [PARAM ...] [run options] [compile options]
  zk test    TESTFILE SUBMISSION ... [test options]
  zk lsp     (a language server on standard input and output)
  zk --help | --version

FILE is a ZK source, or a p-code file (ZKP, ZKU or ZKExt) where a command takes one.

Compile options:
  -I DIR            add an include/unit directory (repeatable)
  --classic         the classic language (default: the modified language ZKM)
  --modified        the modified language, also when Zk.ini says otherwise
  --log FILE        write the compile log to FILE
  --listing FILE    (build, unit) also write the listing of the saved image

Run options:
  --input FILE      read the input parameters from FILE, one per line
  --output FILE     write the result to FILE
  --picture FILE    draw the result as a picture and save it as a bitmap
  --mem MB          memory for the run in megabytes (default 4)
  --no-symbol-error
  --graphics-mode 0|1|2
  --seed N          state of the random generator
  --stats           print the final counters to stderr
  --trace[=F,G,...] print each call and return of the user functions (or of F, G, ...) to stderr
  --trace-limit N   print at most N trace lines (default 1000); the run goes on

Test options (a SUBMISSION is a source or a folder holding one):
  --main NAME       the source of a folder that holds several
  --jobs N          submissions checked at once (default: one per core)
  --format F        text (default), json, tap, junit or gradescope
  --out DIR         also write each submission's report into DIR, after every test
  --summary FILE    write a CSV row per submission with its points
  -I DIR            add an include/unit directory (repeatable)
  zk test exits with 0 when every test passed and 1 when one did not.

Exit status: 0 success, 1 compile error, 2 input-parameter error, 3 run-time error,
4 picture error, 64 usage error, 66 a file cannot be opened, read or written.
)";
}

std::string VersionText() {
    return "zk (Varnok) " VARNOK_VERSION "\n";
}

} // namespace zk::cli
