// The help window opens on the guide's contents, follows its links, and no link
// of the guide leads nowhere.
#include "ide/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace zk::ide {
namespace {

QString PageText(const QString& page) {
    QFile file(QStringLiteral(":/help/") + page);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList Pages() {
    return QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")}, QDir::Files);
}

QStringList Matches(const QString& text, const QString& pattern) {
    QStringList found;
    for (const QRegularExpressionMatch& m : QRegularExpression(pattern).globalMatch(text))
        found << m.captured(1);
    return found;
}

TEST(HelpWindowTest, OpensOnTheContentsWithARussianCaption) {
    THelpWindow window;
    window.ShowContents();
    EXPECT_EQ(window.Browser()->source(), THelpWindow::ContentsUrl());
    EXPECT_TRUE(window.Browser()->toPlainText().contains(QStringLiteral("Содержание")));
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("Справка Varnok")));
}

TEST(HelpWindowTest, ClickingALinkOpensItsPageAndBackReturns) {
    THelpWindow window;
    window.ShowContents();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTextBrowser* browser = window.Browser();

    // The first "Язык ZK" that is a link; the words also stand in plain text.
    QTextCursor link;
    do {
        link = browser->document()->find(QStringLiteral("Язык ZK"), link,
                                         QTextDocument::FindCaseSensitively);
    } while (!link.isNull() && !link.charFormat().isAnchor());
    ASSERT_FALSE(link.isNull());
    QTextCursor inside(link);
    inside.setPosition(link.selectionStart() + 2);
    browser->setTextCursor(inside);
    browser->ensureCursorVisible();
    const QPoint point = browser->cursorRect(inside).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);

    QTRY_COMPARE(browser->source().fileName(), QStringLiteral("language.html"));
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("Язык ZK")));
    browser->backward();
    EXPECT_EQ(browser->source(), THelpWindow::ContentsUrl());
}

TEST(HelpWindowTest, EveryLinkOfTheGuideLeadsToAPageAndAnchorThatExist) {
    const QStringList pages = Pages();
    ASSERT_TRUE(pages.contains(QStringLiteral("index.html")));
    QSet<QString> linkedFromContents;
    for (const QString& page : pages) {
        const QString text = PageText(page);
        for (const QString& href : Matches(text, QStringLiteral("href=\"([^\"]*)\""))) {
            const QString target = href.section('#', 0, 0);
            const QString anchor = href.section('#', 1);
            const QString targetPage = target.isEmpty() ? page : target;
            if (page == QLatin1String("index.html")) linkedFromContents << targetPage;
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + targetPage))
                << page.toStdString() << " links to " << href.toStdString();
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(PageText(targetPage).contains("name=\"" + anchor + "\""))
                    << page.toStdString() << " links to " << href.toStdString();
            }
        }
    }
    for (const QString& page : pages)
        EXPECT_TRUE(page == QLatin1String("index.html") || linkedFromContents.contains(page))
            << page.toStdString() << " is not in the contents";
}

TEST(HelpWindowTest, AnchorsAreUniqueOnEveryPage) {
    for (const QString& page : Pages()) {
        const QStringList names = Matches(PageText(page), QStringLiteral("name=\"([^\"]*)\""));
        EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size())
            << page.toStdString();
    }
}

} // namespace
} // namespace zk::ide
