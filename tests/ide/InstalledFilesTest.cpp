// The files shipped for installation agree with the program: the default
// settings file is the one SaveOptions writes, the desktop entry opens the MIME
// type that the package declares, and the program finds what was installed.
#include "ide/InstalledFiles.h"

#include "TestFiles.h"
#include "frontend/Options.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <filesystem>

namespace zk::ide {
namespace {

QByteArray Packaged(const char* name) {
    QFile file(QStringLiteral(VARNOK_SOURCE_DIR "/packaging/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString DesktopKey(const QByteArray& entry, const QString& key) {
    const QRegularExpression line(QStringLiteral("^") + key + QStringLiteral("=(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(entry)).captured(1);
}

TEST(InstalledFilesTest, DefaultSettingsAreTheDefaultsAsSaveOptionsWritesThem) {
    // The paths of a record with defaults belong to one user and one directory,
    // so the shipped file leaves them empty; everything else is the defaults.
    TOptions defaults;
    SetDefaultOptions(defaults);
    defaults.TempDir.clear();
    defaults.DefaultDir.clear();
    defaults.ExtOutputDir.clear();
    const test::TTempDir dir;
    SaveOptions((dir.Path() / "Zk.ini").string(), defaults);

    const QByteArray shipped = Packaged("Zk.ini");
    EXPECT_EQ(shipped.toStdString(), dir.Read("Zk.ini"));
    EXPECT_TRUE(shipped.contains("BasicOptions=0001010100000400000000000000\r\n"));
    EXPECT_TRUE(shipped.contains("[Include]\r\nCount=0\r\n"));
}

TEST(InstalledFilesTest, DesktopEntryOpensZkSourcesInVarnok) {
    const QByteArray entry = Packaged("varnok.desktop");
    EXPECT_EQ(DesktopKey(entry, QStringLiteral("Exec")), QStringLiteral("varnok %f"));
    EXPECT_EQ(DesktopKey(entry, QStringLiteral("Icon")), QStringLiteral("varnok"));
    EXPECT_EQ(DesktopKey(entry, QStringLiteral("Comment\\[ru\\]")),
              QStringLiteral("Интегрированная среда программирования на языке ZK"));
    EXPECT_EQ(DesktopKey(entry, QStringLiteral("MimeType")), QStringLiteral("text/x-zk;"));

    const QByteArray mime = Packaged("varnok-mime.xml");
    EXPECT_TRUE(mime.contains("<mime-type type=\"text/x-zk\">"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.zk\"/>"));
}

TEST(InstalledFilesTest, FilesBesideTheProgramComeBeforeTheSharedOnes) {
    namespace fs = std::filesystem;
    const test::TTempDir dir;
    fs::create_directories(dir.Path() / "bin");
    fs::create_directories(dir.Path() / "share/varnok");
    dir.Write("share/varnok/Zk.ini", "shared");
    const QString bin = QString::fromStdString((dir.Path() / "bin").string());

    EXPECT_EQ(InstalledFile(bin, QStringLiteral("Zk.ini")),
              QString::fromStdString((dir.Path() / "share/varnok/Zk.ini").string()));
    dir.Write("bin/Zk.ini", "beside");
    EXPECT_EQ(InstalledFile(bin, QStringLiteral("Zk.ini")),
              QString::fromStdString((dir.Path() / "bin/Zk.ini").string()));
    EXPECT_TRUE(InstalledFile(bin, QStringLiteral("examples")).isEmpty());
}

} // namespace
} // namespace zk::ide
