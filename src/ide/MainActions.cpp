// The one place where the main window's actions are made: every menu item
// with its caption, shortcut and handler, the toolbar buttons and the two
// context menus, all sharing the same actions.
#include "ide/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>

namespace zk::ide {

namespace {

enum class TGlyph { Cut, Copy, Paste };

// The clipboard buttons have no picture in Qt's style, and an icon theme is
// not always installed: they draw their own when the theme has none.
QIcon DrawnIcon(TGlyph glyph) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    switch (glyph) {
    case TGlyph::Cut:
        painter.drawLine(9, 3, 21, 21);
        painter.drawLine(23, 3, 11, 21);
        painter.drawEllipse(QPointF(9, 25), 4.5, 4.5);
        painter.drawEllipse(QPointF(23, 25), 4.5, 4.5);
        break;
    case TGlyph::Copy:
        painter.setBrush(Qt::white);
        painter.drawRect(4, 3, 16, 20);
        painter.drawRect(12, 9, 16, 20);
        break;
    case TGlyph::Paste:
        painter.setBrush(QColor(205, 160, 90));
        painter.drawRoundedRect(4, 5, 20, 24, 2, 2);
        painter.setBrush(QColor(120, 120, 120));
        painter.drawRect(10, 2, 8, 6);
        painter.setBrush(Qt::white);
        painter.drawRect(13, 12, 15, 18);
        break;
    }
    return QIcon(pixmap);
}

QIcon ThemedIcon(const char* name, TGlyph fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), DrawnIcon(fallback));
}

} // namespace

QAction* TMainFrm::NewAction(const QString& name, const QString& caption,
                             void (TMainFrm::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    else
        action->setEnabled(false); // an item of the menu that has no command
    return action;
}

QAction* TMainFrm::Action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void TMainFrm::CreateActions() {
    const auto shortcut = [this](const char* name, const QKeySequence& keys) {
        Action(QString::fromLatin1(name))->setShortcut(keys);
    };
    NewAction("MnuNewItm", "Создать", &TMainFrm::MnuNewItmClick);
    NewAction("MnuOpenItm", "Открыть...", &TMainFrm::MnuOpenItmClick);
    NewAction("MnuSaveItm", "Сохранить", &TMainFrm::MnuSaveItmClick);
    NewAction("MnuSaveAsItm", "Сохранить как...", &TMainFrm::MnuSaveAsItmClick);
    NewAction("MnuSaveAllItm", "Сохранить все", &TMainFrm::MnuSaveAllItmClick);
    NewAction("MnuCloseItm", "Закрыть", &TMainFrm::MnuCloseItmClick);
    NewAction("MnuExitItm", "Выход", &TMainFrm::OnExit);
    shortcut("MnuNewItm", Qt::CTRL | Qt::Key_N);
    shortcut("MnuOpenItm", Qt::CTRL | Qt::Key_O);
    shortcut("MnuSaveItm", Qt::CTRL | Qt::Key_S);

    NewAction("MnuUndoItm", "Отменить");
    NewAction("MnuRedoItm", "Повторить");
    NewAction("MnuCutItm", "Вырезать", &TMainFrm::MnuCutItmClick);
    NewAction("MnuCopyItm", "Копировать", &TMainFrm::MnuCopyItmClick);
    NewAction("MnuPasteItm", "Вставить", &TMainFrm::MnuPasteItmClick);
    NewAction("MnuClearItm", "Удалить", &TMainFrm::MnuClearItmClick);
    shortcut("MnuCutItm", Qt::CTRL | Qt::Key_X);
    shortcut("MnuCopyItm", Qt::CTRL | Qt::Key_C);
    shortcut("MnuPasteItm", Qt::CTRL | Qt::Key_V);
    shortcut("MnuClearItm", Qt::CTRL | Qt::Key_Delete);

    NewAction("MnuFindItm", "Найти...", &TMainFrm::MnuFindItmClick);
    NewAction("MnuFindAgainItm", "Продолжить поиск", &TMainFrm::MnuFindAgainItmClick);
    NewAction("MnuReplaceItm", "Заменить...");
    NewAction("MnuGotoLineItm", "Перейти к строке...", &TMainFrm::MnuGotoLineItmClick);
    shortcut("MnuFindItm", Qt::CTRL | Qt::Key_F);
    shortcut("MnuFindAgainItm", Qt::Key_F3);
    shortcut("MnuReplaceItm", Qt::CTRL | Qt::Key_R);

    NewAction("MnuRunItm", "Выполнить...", &TMainFrm::MnuRunItmClick);
    NewAction("MnuRunFileItm", "Выполнить файл...", &TMainFrm::OnRunFile);
    NewAction("MnuScreenItm", "Зкран", &TMainFrm::MnuScreenItmClick);
    NewAction("MnuOutFileItm", "Файл...", &TMainFrm::MnuOutFileItmClick);
    NewAction("MnuGraphInterpItm", "Графический интерпретатор", &TMainFrm::MnuGraphInterpItmClick);
    NewAction("MnuKeyboardItm", "С клавиатуры", &TMainFrm::MnuKeyboardItmClick);
    NewAction("MnuInFileItm", "Файл...", &TMainFrm::MnuInFileItmClick);
    NewAction("MnuSyntaxCheckItm", "Проверка синтаксиса", &TMainFrm::OnSyntaxCheck);
    NewAction("MnuProgCompileItm", "Скомпилировать прогр. ...", &TMainFrm::OnProgCompile);
    NewAction("MnuCompileModuleItm", "Скомпилировать модуль...", &TMainFrm::OnCompileModule);
    NewAction("MnuExeItm", "Вывод в EXE...");
    shortcut("MnuRunItm", Qt::CTRL | Qt::Key_F9);
    shortcut("MnuSyntaxCheckItm", Qt::Key_F9);

    OutputGroup_ = new QActionGroup(this);
    for (const char* name : {"MnuScreenItm", "MnuOutFileItm", "MnuGraphInterpItm"})
        OutputGroup_->addAction(Action(name))->setCheckable(true);
    InputGroup_ = new QActionGroup(this);
    for (const char* name : {"MnuKeyboardItm", "MnuInFileItm"})
        InputGroup_->addAction(Action(name))->setCheckable(true);
    OutputChoice_ = Action("MnuScreenItm");
    OutputChoice_->setChecked(true);
    InputChoice_ = Action("MnuKeyboardItm");
    InputChoice_->setChecked(true);

    NewAction("MnuColorOptItm", "Цвета...");
    NewAction("MnuCommonOptItm", "Общие...", &TMainFrm::MnuCommonOptItmClick);
    NewAction("MnuOpenOptsItm", "Открыть...", &TMainFrm::OnOpenOpts);
    NewAction("MnuSaveOptsItm", "Сохранить", &TMainFrm::OnSaveOpts);
    NewAction("MnuSaveOptsAsItm", "Сохранить как...", &TMainFrm::OnSaveOptsAs);

    NewAction("MnuHelpContItm", "Содержание...", &TMainFrm::MnuHelpContItmClick);
    NewAction("MnuHelpIndexItm", "Индекс...");
    NewAction("MnuHelpSearchItm", "Поиск...");
    NewAction("MnuAboutItm", "О программе...", &TMainFrm::OnAbout);

    // The tab menu's own captions, on the same handlers.
    NewAction("mnuSave2Itm", "Сохранить", &TMainFrm::MnuSaveItmClick);
    NewAction("mnuSaveAs2Itm", "Сохранить как", &TMainFrm::MnuSaveAsItmClick);
    NewAction("mnuClose2Itm", "Закрыть", &TMainFrm::MnuCloseItmClick);
}

void TMainFrm::CreateMenus() {
    const auto fill = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (*name == '-')
                menu->addSeparator();
            else
                menu->addAction(Action(QString::fromLatin1(name)));
        }
    };
    QMenuBar* bar = menuBar();
    fill(bar->addMenu("Файл"), {"MnuNewItm", "MnuOpenItm", "MnuSaveItm", "MnuSaveAsItm",
                                "MnuSaveAllItm", "MnuCloseItm", "-", "MnuExitItm"});
    fill(bar->addMenu("Правка"), {"MnuUndoItm", "MnuRedoItm", "-", "MnuCutItm", "MnuCopyItm",
                                  "MnuPasteItm", "MnuClearItm"});
    fill(bar->addMenu("Поиск"),
         {"MnuFindItm", "MnuFindAgainItm", "MnuReplaceItm", "-", "MnuGotoLineItm"});
    QMenu* run = bar->addMenu("Запуск");
    fill(run, {"MnuRunItm", "MnuRunFileItm"});
    fill(run->addMenu("Вывод"), {"MnuScreenItm", "MnuOutFileItm", "MnuGraphInterpItm"});
    fill(run->addMenu("Ввод"), {"MnuKeyboardItm", "MnuInFileItm"});
    fill(run, {"-", "MnuSyntaxCheckItm", "MnuProgCompileItm", "MnuCompileModuleItm", "MnuExeItm"});
    fill(bar->addMenu("Настройка"), {"MnuColorOptItm", "MnuCommonOptItm", "-", "MnuOpenOptsItm",
                                     "MnuSaveOptsItm", "MnuSaveOptsAsItm"});
    fill(bar->addMenu("Справка"),
         {"MnuHelpContItm", "MnuHelpIndexItm", "MnuHelpSearchItm", "-", "MnuAboutItm"});

    MnuTextPopUp_ = new QMenu(this);
    fill(MnuTextPopUp_, {"MnuCutItm", "MnuCopyItm", "MnuPasteItm", "MnuClearItm"});
    MnuTabsPopUp_ = new QMenu(this);
    fill(MnuTabsPopUp_, {"mnuSave2Itm", "mnuSaveAs2Itm", "mnuClose2Itm"});
}

void TMainFrm::CreateToolBar() {
    TlbMain_ = addToolBar("Панель инструментов");
    TlbMain_->setObjectName("TlbMain");
    TlbMain_->setMovable(false);
    TlbMain_->setIconSize(QSize(20, 20));
    const auto button = [this](const char* name, const char* action, const QIcon& icon) {
        QAction* command = Action(QString::fromLatin1(action));
        if (name != std::string_view(action)) {
            // A button of its own, so that it can be told apart from the menu item.
            auto* own = NewAction(QString::fromLatin1(name), command->text());
            own->setEnabled(command->isEnabled());
            connect(own, &QAction::triggered, command, &QAction::trigger);
            command = own;
        }
        command->setIcon(icon);
        TlbMain_->addAction(command);
    };
    QStyle* look = style();
    button("CmdNew", "MnuNewItm", look->standardIcon(QStyle::SP_FileIcon));
    button("CmdOpen", "MnuOpenItm", look->standardIcon(QStyle::SP_DialogOpenButton));
    button("CmdSave", "MnuSaveItm", look->standardIcon(QStyle::SP_DialogSaveButton));
    TlbMain_->addSeparator();
    button("CmdUndo", "MnuUndoItm", look->standardIcon(QStyle::SP_ArrowBack));
    button("CmdCut", "MnuCutItm", ThemedIcon("edit-cut", TGlyph::Cut));
    button("CmdCopy", "MnuCopyItm", ThemedIcon("edit-copy", TGlyph::Copy));
    button("CmdPatse", "MnuPasteItm", ThemedIcon("edit-paste", TGlyph::Paste));
    TlbMain_->addSeparator();
    button("CmdSyntaxCheck", "MnuSyntaxCheckItm", look->standardIcon(QStyle::SP_DialogApplyButton));
    button("CmdRun", "MnuRunItm", look->standardIcon(QStyle::SP_MediaPlay));
}

} // namespace zk::ide
