// The edge between the system's texts and Qt's strings: Windows-1251 texts
// become QString and back, and paths travel as the system's own bytes.
#pragma once

#include "frontend/Cp1251.h"

#include <QFile>
#include <QString>

#include <string>
#include <string_view>

namespace zk::ide {

inline QString FromText1251(std::string_view text) {
    const std::string utf8 = Cp1251ToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A character the code page lacks becomes '?'.
inline std::string ToText1251(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCp1251(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

inline std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

inline QString PathString(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace zk::ide
