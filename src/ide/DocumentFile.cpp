// Documents on disk, and the words for a file that failed.
#include "ide/DocumentFile.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"

#include <algorithm>

namespace zk::ide {

namespace {

std::string JoinLines(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (pos != 0) text += "\r\n";
        text += NextLine(bytes, pos);
    }
    return text;
}

// The first line end decides: a file whose lines end with LF alone is written
// back so; CR LF and a lone CR give CR LF.
bool FirstLineEndIsLf(std::string_view bytes) {
    const std::size_t end = bytes.find_first_of("\r\n");
    return end != std::string_view::npos && bytes[end] == '\n';
}

} // namespace

std::string TDocumentFormat::Name() const {
    return std::string(Encoding == TTextEncoding::Utf8 ? "UTF-8" : "Windows-1251") +
           (LfLineEnds ? ", LF" : ", CR LF");
}

TDocumentFile ReadDocument(std::string_view path, std::optional<TTextEncoding> as) {
    TDocumentFile file;
    const std::string bytes = ReadRegularFile(path, kMaxDocumentBytes, &file.Stamp);
    TDecodedText decoded = as ? DecodeText(bytes, *as) : DecodeText(bytes);
    file.Text = JoinLines(decoded.Text);
    file.Format.Encoding = decoded.Encoding;
    file.Format.Bom = decoded.Bom;
    file.Format.LfLineEnds = FirstLineEndIsLf(decoded.Text);
    file.Format.Unmappable = std::move(decoded.Unmappable);
    return file;
}

std::string DocumentBytes(std::string_view text, const TDocumentFormat& format) {
    const std::string_view lineEnd = format.LfLineEnds ? "\n" : "\r\n";
    std::string lines;
    lines.reserve(text.size() + 2);
    for (std::size_t pos = 0; pos <= text.size();) {
        const std::size_t end = std::min(text.find("\r\n", pos), text.size());
        lines.append(text.substr(pos, end - pos));
        lines.append(lineEnd);
        pos = end + 2;
    }
    return EncodeText(lines, format.Encoding, format.Bom, format.Unmappable);
}

TDocumentFile OpenOrCreateDocument(std::string_view path) {
    if (!CreateEmptyFile(path)) return ReadDocument(path);
    return {{}, RegularFileStamp(path).value_or(TFileStamp{}), {}};
}

TFileStamp WriteDocument(std::string_view path, std::string_view text,
                         const TDocumentFormat& format) {
    TFileReplacement file(path, TWriteRule::UserFile);
    if (!text.empty()) file.Write(DocumentBytes(text, format));
    const TFileStamp stamp = file.Stamp().value_or(TFileStamp{});
    file.Commit();
    return stamp;
}

std::string FileFailureText(const std::exception& failure) {
    const auto* file = dynamic_cast<const TFileError*>(&failure);
    if (!file) return Utf8ToCp1251(failure.what());
    std::string text = PathText(file->Path()) + ": " + Utf8ToCp1251(FaultText(file->Fault()));
    // A failure without a kind of its own keeps the system's words beside ours.
    if (file->Fault() == TFileFault::Other) text += " (" + Utf8ToCp1251(file->Reason()) + ")";
    return text;
}

} // namespace zk::ide
