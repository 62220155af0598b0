// The help guide as data: every example program in it gives, when run with zk,
// exactly the outcome that the guide prints under it.
//
// An example is a <pre class="zk"> block (class "zk classic" for the classic
// language). A block with a title is also a file of that name, which later
// blocks of its page may include or use. The paragraph after a block states the
// outcome: <p class="run"> a result, <p class="fail"> an error message,
// <p class="picture"> a picture drawn, <p class="check"> a program without
// errors, <p class="unit"> a unit that compiles; its <kbd> elements are the
// input parameters and its <samp> the result text or the error message (a
// message "Ошибка графики: ..." is that of a picture that cannot be drawn).
#include "TestFiles.h"
#include "frontend/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <vector>

namespace zk::ide {
namespace {

struct TExample {
    QString Page;
    QString Code;
    QString FileName; // empty: an anonymous example
    bool Classic = false;
    QString Outcome; // "run", "fail", "picture", "check", "unit", or empty
    QStringList Params;
    QString Expected;
};

QString PageText(const QString& page) {
    QFile file(QStringLiteral(":/help/") + page);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QString DecodeEntities(QString text) {
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QStringList Captures(const QString& text, const QRegularExpression& pattern) {
    QStringList found;
    for (const QRegularExpressionMatch& m : pattern.globalMatch(text))
        found << DecodeEntities(m.captured(1));
    return found;
}

std::vector<TExample> ExamplesOf(const QString& page) {
    static const QRegularExpression block(
        QStringLiteral("<pre class=\"zk( classic)?\"(?: title=\"([^\"]+)\")?>(.*?)</pre>\\s*"
                       "(?:<p class=\"(run|fail|picture|check|unit)\">(.*?)</p>)?"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression kbd(QStringLiteral("<kbd>(.*?)</kbd>"));
    static const QRegularExpression samp(QStringLiteral("<samp>(.*?)</samp>"));

    std::vector<TExample> examples;
    for (const QRegularExpressionMatch& m : block.globalMatch(PageText(page))) {
        TExample example;
        example.Page = page;
        example.Code = DecodeEntities(m.captured(3));
        example.FileName = m.captured(2);
        example.Classic = m.hasCaptured(1);
        example.Outcome = m.captured(4);
        example.Params = Captures(m.captured(5), kbd);
        const QStringList expected = Captures(m.captured(5), samp);
        if (!expected.isEmpty()) example.Expected = expected.first();
        examples.push_back(example);
    }
    return examples;
}

QStringList Pages() {
    return QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")}, QDir::Files);
}

struct TRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

TRun RunZk(const QString& dir, const QStringList& arguments) {
    QProcess zk;
    zk.setWorkingDirectory(dir);
    zk.setProcessChannelMode(QProcess::SeparateChannels);
    zk.start(QStringLiteral(ZK_EXECUTABLE), arguments);
    zk.closeWriteChannel();
    if (!zk.waitForFinished(30000)) return {};
    return {zk.exitCode(), QString::fromUtf8(zk.readAllStandardOutput()),
            QString::fromUtf8(zk.readAllStandardError())};
}

QStringList Arguments(const TExample& example, const QString& file) {
    QStringList args;
    if (example.Outcome == QLatin1String("check")) {
        args << QStringLiteral("check") << file;
    } else if (example.Outcome == QLatin1String("unit")) {
        args << QStringLiteral("unit") << file << QStringLiteral("-o") << file + ".zku";
    } else {
        args << QStringLiteral("run") << file;
    }
    if (example.Outcome == QLatin1String("picture") ||
        example.Expected.startsWith(QStringLiteral("Ошибка графики:")))
        args << QStringLiteral("--picture") << file + ".bmp";
    if (example.Classic) args << QStringLiteral("--classic");
    if (example.Outcome == QLatin1String("run") || example.Outcome == QLatin1String("fail") ||
        example.Outcome == QLatin1String("picture"))
        args << QStringLiteral("--") << example.Params;
    return args;
}

// Checks one example in the page's directory; its file stays there for the
// examples after it.
void CheckExample(const test::TTempDir& dir, const TExample& example, int index) {
    const QString file =
        example.FileName.isEmpty() ? QStringLiteral("example%1.zk").arg(index) : example.FileName;
    dir.Write(file.toStdString(), Utf8ToCp1251(example.Code.toStdString()));
    if (example.Outcome.isEmpty()) {
        EXPECT_FALSE(example.FileName.isEmpty()) << "an example without its outcome:\n"
                                                 << example.Code.toStdString();
        return;
    }
    const TRun run = RunZk(QString::fromStdString(dir.Path().string()), Arguments(example, file));
    const std::string where =
        (example.Page + ": " + example.Code.section('\n', 0, 0)).toStdString();
    if (example.Outcome == QLatin1String("fail")) {
        EXPECT_NE(run.ExitCode, 0) << where;
        EXPECT_TRUE(run.Err.contains(example.Expected))
            << where << "\n  expected the message: " << example.Expected.toStdString()
            << "\n  zk said: " << run.Err.toStdString();
        return;
    }
    EXPECT_EQ(run.ExitCode, 0) << where << "\n  zk said: " << run.Err.toStdString();
    if (example.Outcome == QLatin1String("run")) {
        EXPECT_EQ(run.Out.toStdString(), (example.Expected + '\n').toStdString()) << where;
    }
}

TEST(HelpGuideTest, EveryExampleGivesTheOutcomeShownUnderIt) {
    int checked = 0;
    for (const QString& page : Pages()) {
        const test::TTempDir dir;
        int index = 0;
        for (const TExample& example : ExamplesOf(page)) {
            CheckExample(dir, example, ++index);
            if (!example.Outcome.isEmpty()) ++checked;
        }
    }
    EXPECT_GE(checked, 40) << "the guide has lost its examples";
}

} // namespace
} // namespace zk::ide
