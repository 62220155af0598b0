// Reading and writing the documents of the editor. A document is Windows-1251
// text; in memory its lines are joined with CR LF, on disk each line ends with
// CR LF. Failures are TDocumentError exceptions whose message names the file
// and the system's reason; the command that caught one shows it and leaves
// the document as it was.
#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zk::ide {

class TDocumentError : public std::runtime_error {
public:
    explicit TDocumentError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Larger files are refused: no source of a teaching language comes near it.
constexpr int64_t kMaxDocumentBytes = 256 * 1024 * 1024;

// The text of the file, its lines split at CR LF, LF or CR and joined with
// CR LF; a line end at the very end starts no further line.
std::string ReadDocument(const QString& path);

// The file named on the command line: read when it exists, else created empty.
std::string OpenOrCreateDocument(const QString& path);

// Writes the lines of `text`, each ended by CR LF, into a new file that then
// replaces `path` in one step, so that a failed write leaves the old file.
void WriteDocument(const QString& path, std::string_view text);

} // namespace zk::ide
