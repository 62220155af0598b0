// Reading and writing the documents of the editor, through the file layer. A
// document is Windows-1251 text with its lines joined by CR LF, whatever its
// file holds: the file's encoding and line ends are kept beside it, so that
// it is written back as it was read. Failures are TFileError exceptions; the
// command that caught one shows FileFailureText's words for it and leaves the
// document as it was.
#pragma once

#include "frontend/TextEncoding.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::ide {

// Larger files are refused: no source of a teaching language comes near it.
constexpr int64_t kMaxDocumentBytes = 256 * 1024 * 1024;

// How a document's file is written: a new document is Windows-1251 with CR LF.
struct TDocumentFormat {
    TTextEncoding Encoding = TTextEncoding::Cp1251;
    bool Bom = false;
    bool LfLineEnds = false; // the file's first line end was LF alone
    // The characters Windows-1251 lacks, standing in the text as kUnmappableByte.
    std::vector<char32_t> Unmappable;

    int32_t LineEndLength() const { return LfLineEnds ? 1 : 2; }
    // "UTF-8, LF", "Windows-1251, CR LF", for the status bar.
    std::string Name() const;
};

struct TDocumentFile {
    std::string Text;
    TFileStamp Stamp; // of the file that was read or written
    TDocumentFormat Format;
};

// The text of the regular file, decoded as its bytes say (or as `as` says),
// its lines split at CR LF, LF or CR and joined with CR LF; a line end at the
// very end starts no further line.
TDocumentFile ReadDocument(std::string_view path, std::optional<TTextEncoding> as = {});

// The file named on the command line: read when it exists, else created empty.
TDocumentFile OpenOrCreateDocument(std::string_view path);

// The bytes of a file holding the lines of `text` (joined with CR LF), each
// ended as the format says, in its encoding.
std::string DocumentBytes(std::string_view text, const TDocumentFormat& format);

// Writes DocumentBytes (nothing for an empty text) into a new file that then
// replaces `path` in one step, so that a failed write leaves the old file.
// The result is the stamp of the file written.
TFileStamp WriteDocument(std::string_view path, std::string_view text,
                         const TDocumentFormat& format = {});

// The failure of a file as the environment words it (Windows-1251): its path
// and the reason in Russian, "/home/u/a.zk: Нет места на диске".
std::string FileFailureText(const std::exception& failure);

} // namespace zk::ide
