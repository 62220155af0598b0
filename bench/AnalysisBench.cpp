// Times the analysis of a generated 10,000-line source, as an editor asks for
// it after a keystroke: preprocessing, reading, binding, the warnings and the
// table of occurrences. Usage: analysis-bench [LINES]
#include "analysis/Analysis.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Five lines a function: a comment, the head, a test, a call of the next
// function by name and one through an operator.
std::string GeneratedSource(int lines) {
    const int functions = std::max(1, lines / 5);
    std::string text = "(DEFOP ++ JOIN)\n(JOIN (A B) (EXPR A B))\n";
    for (int i = 0; i < functions; ++i) {
        const std::string number = std::to_string(i);
        const std::string next = std::to_string((i + 1) % functions);
        text.append("// Function ").append(number).append(": walks the list.\n");
        text.append("(F").append(number).append(" (L ACC)\n");
        text.append("  (IF (EQUAL L (QUOTE))\n");
        text.append("      (++ ACC (QUOTE DONE 1 2))\n");
        text.append("      (CALL F").append(next).append(" (BF L) (EXPR (FIRST L) ACC))))\n");
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string text = GeneratedSource(lines);
    double best = 1e9;
    std::size_t calls = 0;
    for (int round = 0; round < 10; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const zk::analysis::TAnalysis analysis =
            zk::analysis::Analyse({"/tmp/bench.zk", text, {"/tmp/"}, false, false});
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (analysis.FirstError() != nullptr) {
            std::fprintf(stderr, "the generated source has an error\n");
            return 1;
        }
        calls = analysis.Calls.size();
        best = std::min(best, took.count());
    }
    std::printf("analysis of %d lines (%zu calls): %.2f ms (best of 10)\n", lines, calls, best);
    return 0;
}
