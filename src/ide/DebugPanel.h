// The stepper's one panel, docked beside the editor: where the run stands
// ("шаг m из n" and what the stop is), the current call's body with its
// finished sub-forms replaced by their values, the last step as "before →
// after", the call stack newest first and the value stack. It shows what a
// stop's view says and asks nothing of the run.
#pragma once

#include "debug/DebugRun.h"
#include "ide/DebugTexts.h"

#include <QDockWidget>

#include <functional>

class QLabel;
class QListWidget;
class QTextBrowser;

namespace zk::ide {

class TDebugPanel final : public QDockWidget {
public:
    explicit TDebugPanel(QWidget* parent = nullptr);

    void ShowStop(const TStopView& view, const TDebugTexts& texts, const TPCode& code);
    // Between debug runs: empty.
    void Clear();

    // A frame of the call stack was chosen (0 the newest): the window shows
    // its call place.
    std::function<void(int frame)> FrameChosen;

    QLabel* LblStep;
    QLabel* LblStop;
    QTextBrowser* TxtBody;
    QLabel* LblLastStep;
    QListWidget* LstCalls;
    QListWidget* LstValues;
};

// What a stop is, in the panel's words: "Вход в форму", "Ошибка: ..."
QString StopCaption(const TStop& stop);

} // namespace zk::ide
