// The help window: the student's guide, HTML pages compiled into the program
// under ":/help", shown in a browser with back, forward and contents buttons.
// The window lives as long as the main window and is only hidden when closed.
#pragma once

#include <QMainWindow>
#include <QUrl>

class QTextBrowser;

namespace zk::ide {

class THelpWindow : public QMainWindow {
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Opens the contents page and brings the window to the front.
    void ShowContents();

    QTextBrowser* Browser() const { return Browser_; }

    // The contents page, "qrc:/help/index.html"; every other page is linked from it.
    static QUrl ContentsUrl();

private:
    void ShowPageTitle();

    QTextBrowser* Browser_;
};

} // namespace zk::ide
