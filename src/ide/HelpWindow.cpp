// The help window on QTextBrowser. Links between the guide's pages are
// followed inside the browser; the guide has no external links.
#include "ide/HelpWindow.h"

#include "ide/TextView.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace zk::ide {

namespace {

const QString kCaption = QStringLiteral("Справка Varnok");

} // namespace

THelpWindow::THelpWindow(QWidget* parent) : QMainWindow(parent), Browser_(new QTextBrowser(this)) {
    setWindowFlag(Qt::Window);
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QStringLiteral(":/help/varnok.png")));
    resize(820, 640);

    TTextZoom::Install(Browser_); // Control+Plus, Minus, 0 and the wheel, as in the editor
    Browser_->setOpenLinks(true);
    Browser_->setOpenExternalLinks(false);
    setCentralWidget(Browser_);

    QToolBar* bar = addToolBar(QStringLiteral("Навигация"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                   QStringLiteral("Назад"), Browser_, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                      QStringLiteral("Вперёд"), Browser_, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Содержание"),
                   this, [this] { Browser_->setSource(ContentsUrl()); });

    connect(Browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(Browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(Browser_, &QTextBrowser::sourceChanged, this, [this] { ShowPageTitle(); });

    Browser_->setSource(ContentsUrl());
}

void THelpWindow::ShowContents() {
    if (Browser_->source() != ContentsUrl()) Browser_->setSource(ContentsUrl());
    show();
    raise();
    activateWindow();
}

QUrl THelpWindow::ContentsUrl() {
    return QUrl(QStringLiteral("qrc:/help/index.html"));
}

// "Справка Varnok - Язык ZK": the caption names the page shown.
void THelpWindow::ShowPageTitle() {
    const QString page = Browser_->documentTitle();
    setWindowTitle(page.isEmpty() ? kCaption : kCaption + QStringLiteral(" - ") + page);
}

} // namespace zk::ide
