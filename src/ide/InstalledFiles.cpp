// The installed files, looked up from the directory of the executable.
#include "ide/InstalledFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zk::ide {

QString InstalledFile(const QString& programDir, const QString& name) {
    const QDir dir(programDir);
    for (const QString& candidate :
         {dir.filePath(name), dir.filePath(QStringLiteral("../share/varnok/") + name)}) {
        const QFileInfo file(candidate);
        if (file.exists()) return QDir::cleanPath(file.absoluteFilePath());
    }
    return {};
}

QString InstalledFile(const QString& name) {
    return InstalledFile(QCoreApplication::applicationDirPath(), name);
}

} // namespace zk::ide
