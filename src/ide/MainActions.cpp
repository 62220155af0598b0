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

enum class TGlyph { Cut, Copy, Paste, StepInto, StepOver, StepOut };

// A step's arrow: down into a line for a step in, over it for a step over,
// up out of it for a step out.
void DrawStep(QPainter& painter, TGlyph glyph) {
    painter.setPen(QPen(QColor(30, 110, 40), 3));
    painter.drawLine(4, 27, 28, 27); // the line stepped through
    QPainterPath arrow;
    switch (glyph) {
    case TGlyph::StepInto:
        arrow.moveTo(16, 3);
        arrow.lineTo(16, 21);
        painter.drawPath(arrow);
        painter.drawLine(10, 15, 16, 21);
        painter.drawLine(22, 15, 16, 21);
        break;
    case TGlyph::StepOver:
        arrow.moveTo(5, 20);
        arrow.cubicTo(8, 2, 24, 2, 27, 20);
        painter.drawPath(arrow);
        painter.drawLine(21, 16, 27, 20);
        painter.drawLine(27, 13, 27, 20);
        break;
    default:
        painter.drawLine(16, 21, 16, 4);
        painter.drawLine(10, 10, 16, 4);
        painter.drawLine(22, 10, 16, 4);
        break;
    }
}

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
    case TGlyph::StepInto:
    case TGlyph::StepOver:
    case TGlyph::StepOut: DrawStep(painter, glyph); break;
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
    NewAction("MnuNewItm", "&Создать", &TMainFrm::MnuNewItmClick);
    NewAction("MnuOpenItm", "&Открыть...", &TMainFrm::MnuOpenItmClick);
    NewAction("MnuSaveItm", "Со&хранить", &TMainFrm::MnuSaveItmClick);
    NewAction("MnuSaveAsItm", "Сохранить &как...", &TMainFrm::MnuSaveAsItmClick);
    NewAction("MnuSaveAllItm", "Сохранить &все", &TMainFrm::MnuSaveAllItmClick);
    NewAction("MnuCloseItm", "&Закрыть", &TMainFrm::MnuCloseItmClick);
    NewAction("MnuReopenItm", "П&еречитать в кодировке UTF-8", &TMainFrm::MnuReopenItmClick);
    NewAction("MnuExitItm", "В&ыход", &TMainFrm::OnExit);
    shortcut("MnuNewItm", Qt::CTRL | Qt::Key_N);
    shortcut("MnuOpenItm", Qt::CTRL | Qt::Key_O);
    shortcut("MnuSaveItm", Qt::CTRL | Qt::Key_S);
    shortcut("MnuCloseItm", Qt::CTRL | Qt::Key_W);

    NewAction("MnuUndoItm", "&Отменить", &TMainFrm::MnuUndoItmClick);
    NewAction("MnuRedoItm", "&Повторить", &TMainFrm::MnuRedoItmClick);
    NewAction("MnuSelectAllItm", "Выделить вс&ё", &TMainFrm::MnuSelectAllItmClick);
    // The editor's own keys, shown in the menu; they reach the menu items only
    // where the editor does not have the focus.
    shortcut("MnuUndoItm", Qt::CTRL | Qt::Key_Z);
    shortcut("MnuRedoItm", Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    shortcut("MnuSelectAllItm", Qt::CTRL | Qt::Key_A);
    NewAction("MnuCutItm", "Вы&резать", &TMainFrm::MnuCutItmClick);
    NewAction("MnuCopyItm", "&Копировать", &TMainFrm::MnuCopyItmClick);
    NewAction("MnuPasteItm", "Вст&авить", &TMainFrm::MnuPasteItmClick);
    NewAction("MnuClearItm", "&Удалить", &TMainFrm::MnuClearItmClick);
    shortcut("MnuCutItm", Qt::CTRL | Qt::Key_X);
    shortcut("MnuCopyItm", Qt::CTRL | Qt::Key_C);
    shortcut("MnuPasteItm", Qt::CTRL | Qt::Key_V);
    shortcut("MnuClearItm", Qt::CTRL | Qt::Key_Delete);

    NewAction("MnuFindItm", "&Найти...", &TMainFrm::MnuFindItmClick);
    NewAction("MnuFindAgainItm", "&Продолжить поиск", &TMainFrm::MnuFindAgainItmClick);
    NewAction("MnuFindBackItm", "Продолжить поиск н&азад", &TMainFrm::MnuFindBackItmClick);
    NewAction("MnuReplaceItm", "&Заменить...", &TMainFrm::MnuReplaceItmClick);
    NewAction("MnuGotoLineItm", "Перейти к &строке...", &TMainFrm::MnuGotoLineItmClick);
    NewAction("MnuDefinitionItm", "Перейти к &определению", &TMainFrm::MnuDefinitionItmClick);
    NewAction("MnuReferencesItm", "Найти &вызовы", &TMainFrm::MnuReferencesItmClick);
    // Control+Space belongs to the editor, which asks the window itself; the
    // item only shows the key.
    NewAction("MnuCompleteItm", "Дополн&ить\tCtrl+Space", &TMainFrm::MnuCompleteItmClick);
    shortcut("MnuDefinitionItm", Qt::Key_F12);
    shortcut("MnuReferencesItm", Qt::SHIFT | Qt::Key_F12);
    shortcut("MnuFindItm", Qt::CTRL | Qt::Key_F);
    shortcut("MnuFindAgainItm", Qt::Key_F3);
    shortcut("MnuFindBackItm", Qt::SHIFT | Qt::Key_F3);
    shortcut("MnuReplaceItm", Qt::CTRL | Qt::Key_R);

    NewAction("MnuRunItm", "&Выполнить...", &TMainFrm::MnuRunItmClick);
    NewAction("MnuRunFileItm", "Выполнить &файл...", &TMainFrm::OnRunFile);
    NewAction("MnuScreenItm", "&Экран", &TMainFrm::MnuScreenItmClick);
    NewAction("MnuOutFileItm", "&Файл...", &TMainFrm::MnuOutFileItmClick);
    NewAction("MnuGraphInterpItm", "&Графический интерпретатор", &TMainFrm::MnuGraphInterpItmClick);
    NewAction("MnuKeyboardItm", "С &клавиатуры", &TMainFrm::MnuKeyboardItmClick);
    NewAction("MnuInFileItm", "&Файл...", &TMainFrm::MnuInFileItmClick);
    NewAction("MnuSyntaxCheckItm", "П&роверка синтаксиса", &TMainFrm::OnSyntaxCheck);
    NewAction("MnuCheckTestsItm", "Проверить &тестами...", &TMainFrm::MnuCheckTestsItmClick)
        ->setShortcut(Qt::CTRL | Qt::Key_T);
    NewAction("MnuProgCompileItm", "Скомпилировать &прогр. ...", &TMainFrm::OnProgCompile);
    NewAction("MnuCompileModuleItm", "Скомпилировать &модуль...", &TMainFrm::OnCompileModule);
    NewAction("MnuExeItm", "Вывод в &EXE...");
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

    NewAction("MnuColorOptItm", "&Цвета...");
    NewAction("MnuCommonOptItm", "&Общие...", &TMainFrm::MnuCommonOptItmClick);
    NewAction("MnuOpenOptsItm", "О&ткрыть...", &TMainFrm::OnOpenOpts);
    NewAction("MnuSaveOptsItm", "&Сохранить", &TMainFrm::OnSaveOpts);
    NewAction("MnuSaveOptsAsItm", "Сохранить &как...", &TMainFrm::OnSaveOptsAs);

    NewAction("MnuHelpContItm", "&Содержание...", &TMainFrm::MnuHelpContItmClick);
    shortcut("MnuHelpContItm", Qt::Key_F1);
    NewAction("MnuHelpIndexItm", "&Индекс...");
    NewAction("MnuHelpSearchItm", "&Поиск...");
    NewAction("MnuAboutItm", "&О программе...", &TMainFrm::OnAbout);

    NewAction("MnuStepIntoItm", "Шаг с &заходом", &TMainFrm::MnuStepIntoItmClick)
        ->setShortcut(Qt::Key_F7);
    NewAction("MnuStepOverItm", "Шаг с &обходом", &TMainFrm::MnuStepOverItmClick)
        ->setShortcut(Qt::Key_F8);
    NewAction("MnuStepOutItm", "Шаг с &выходом", &TMainFrm::MnuStepOutItmClick)
        ->setShortcut(Qt::SHIFT | Qt::Key_F8);
    NewAction("MnuStepBackItm", "Шаг &назад", &TMainFrm::MnuStepBackItmClick)
        ->setShortcut(Qt::SHIFT | Qt::Key_F7);
    NewAction("MnuRunToCursorItm", "Выполнить до &курсора", &TMainFrm::MnuRunToCursorItmClick)
        ->setShortcut(Qt::Key_F4);
    NewAction("MnuContinueItm", "&Продолжить", &TMainFrm::MnuContinueItmClick)
        ->setShortcut(Qt::SHIFT | Qt::Key_F9);
    NewAction("MnuBreakpointItm", "&Точка останова", &TMainFrm::MnuBreakpointItmClick)
        ->setShortcut(Qt::Key_F5);
    NewAction("MnuStopDebugItm", "П&рервать отладку", &TMainFrm::MnuStopDebugItmClick)
        ->setShortcut(Qt::CTRL | Qt::Key_F2);
    // A p-code file has no source to step through.
    const QString noSource = "Выполнить готовый файл p-кода (.ZKP); пошаговая отладка для него "
                             "недоступна: у файла нет исходного текста";
    Action("MnuRunFileItm")->setStatusTip(noSource);
    Action("MnuRunFileItm")->setToolTip(noSource);

    // Keys of the window without a menu item: the tabs one way and the other,
    // and F10 for the menu bar.
    NewAction("NextTabItm", "Следующая вкладка", &TMainFrm::NextTab)
        ->setShortcuts({Qt::CTRL | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageDown});
    NewAction("PrevTabItm", "Предыдущая вкладка", &TMainFrm::PreviousTab)
        ->setShortcuts({Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
                        Qt::CTRL | Qt::Key_PageUp});
    NewAction("MenuBarItm", "Меню", &TMainFrm::OpenMenuBar)->setShortcut(Qt::Key_F10);
    for (const char* name : {"NextTabItm", "PrevTabItm", "MenuBarItm"})
        addAction(Action(QString::fromLatin1(name)));

    // The tab menu's own captions, on the same handlers.
    NewAction("mnuSave2Itm", "Со&хранить", &TMainFrm::MnuSaveItmClick);
    NewAction("mnuSaveAs2Itm", "Сохранить &как", &TMainFrm::MnuSaveAsItmClick);
    NewAction("mnuClose2Itm", "&Закрыть", &TMainFrm::MnuCloseItmClick);
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
    fill(bar->addMenu("&Файл"),
         {"MnuNewItm", "MnuOpenItm", "MnuSaveItm", "MnuSaveAsItm", "MnuSaveAllItm", "MnuCloseItm",
          "-", "MnuReopenItm", "-", "MnuExitItm"});
    fill(bar->addMenu("&Правка"), {"MnuUndoItm", "MnuRedoItm", "-", "MnuCutItm", "MnuCopyItm",
                                   "MnuPasteItm", "MnuClearItm", "-", "MnuSelectAllItm"});
    fill(bar->addMenu("П&оиск"),
         {"MnuFindItm", "MnuFindAgainItm", "MnuFindBackItm", "MnuReplaceItm", "-", "MnuGotoLineItm",
          "-", "MnuDefinitionItm", "MnuReferencesItm", "MnuCompleteItm"});
    QMenu* run = bar->addMenu("&Запуск");
    fill(run, {"MnuRunItm", "MnuRunFileItm"});
    fill(run->addMenu("В&ывод"), {"MnuScreenItm", "MnuOutFileItm", "MnuGraphInterpItm"});
    fill(run->addMenu("Вв&од"), {"MnuKeyboardItm", "MnuInFileItm"});
    fill(run, {"-", "MnuSyntaxCheckItm", "MnuCheckTestsItm", "MnuProgCompileItm",
               "MnuCompileModuleItm", "MnuExeItm"});
    fill(bar->addMenu("О&тладка"),
         {"MnuStepIntoItm", "MnuStepOverItm", "MnuStepOutItm", "MnuStepBackItm", "-",
          "MnuRunToCursorItm", "MnuContinueItm", "-", "MnuBreakpointItm", "MnuStopDebugItm"});
    fill(bar->addMenu("&Настройка"), {"MnuColorOptItm", "MnuCommonOptItm", "-", "MnuOpenOptsItm",
                                      "MnuSaveOptsItm", "MnuSaveOptsAsItm"});
    fill(bar->addMenu("&Справка"),
         {"MnuHelpContItm", "MnuHelpIndexItm", "MnuHelpSearchItm", "-", "MnuAboutItm"});

    MnuTextPopUp_ = new QMenu(this);
    fill(MnuTextPopUp_, {"MnuCutItm", "MnuCopyItm", "MnuPasteItm", "MnuClearItm", "-",
                         "MnuDefinitionItm", "MnuReferencesItm"});
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
    button("CmdRedo", "MnuRedoItm", look->standardIcon(QStyle::SP_ArrowForward));
    button("CmdCut", "MnuCutItm", ThemedIcon("edit-cut", TGlyph::Cut));
    button("CmdCopy", "MnuCopyItm", ThemedIcon("edit-copy", TGlyph::Copy));
    button("CmdPatse", "MnuPasteItm", ThemedIcon("edit-paste", TGlyph::Paste));
    TlbMain_->addSeparator();
    button("CmdSyntaxCheck", "MnuSyntaxCheckItm", look->standardIcon(QStyle::SP_DialogApplyButton));
    button("CmdRun", "MnuRunItm", look->standardIcon(QStyle::SP_MediaPlay));
    TlbMain_->addSeparator();
    button("CmdStepInto", "MnuStepIntoItm", DrawnIcon(TGlyph::StepInto));
    button("CmdStepOver", "MnuStepOverItm", DrawnIcon(TGlyph::StepOver));
    button("CmdStepOut", "MnuStepOutItm", DrawnIcon(TGlyph::StepOut));
    button("CmdContinue", "MnuContinueItm", look->standardIcon(QStyle::SP_MediaSeekForward));
    button("CmdStopDebug", "MnuStopDebugItm", look->standardIcon(QStyle::SP_MediaStop));
}

} // namespace zk::ide
