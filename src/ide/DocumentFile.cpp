// Documents on disk: whole-file reads, and writes through QSaveFile.
#include "ide/DocumentFile.h"

#include "frontend/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zk::ide {

namespace {

[[noreturn]] void FailReading(const QString& path, const QString& reason) {
    throw TDocumentError(QString("Не удалось прочитать файл %1: %2").arg(path, reason));
}

[[noreturn]] void FailWriting(const QString& path, const QString& reason) {
    throw TDocumentError(QString("Не удалось сохранить файл %1: %2").arg(path, reason));
}

std::string JoinLines(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (pos != 0) text += "\r\n";
        text += NextLine(bytes, pos);
    }
    return text;
}

// Qt reports a short write (a full disk, a size limit) only by its count; the
// write of the rest then fails with the system's reason.
bool WriteAll(QSaveFile& file, std::string_view bytes) {
    while (!bytes.empty()) {
        const qint64 written = file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

TDocumentError::TDocumentError(const QString& message)
    : std::runtime_error(message.toStdString()) {}

std::string ReadDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) FailReading(path, file.errorString());
    if (file.size() > kMaxDocumentBytes) FailReading(path, "файл слишком велик");
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) FailReading(path, file.errorString());
    return JoinLines(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

std::string OpenOrCreateDocument(const QString& path) {
    if (QFileInfo::exists(path)) return ReadDocument(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        FailWriting(path, file.errorString());
    return {};
}

void WriteDocument(const QString& path, std::string_view text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) FailWriting(path, file.errorString());
    if (!text.empty() && (!WriteAll(file, text) || !WriteAll(file, "\r\n"))) {
        const QString reason = file.errorString();
        file.cancelWriting();
        FailWriting(path, reason);
    }
    if (!file.commit()) FailWriting(path, file.errorString());
}

} // namespace zk::ide
