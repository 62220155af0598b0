// Acting inside a modal dialog from a test: the dialogs of a command open
// inside the call under test, so the test's part is queued before the call
// and runs, once, as soon as its condition holds.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

namespace zk::ide::test {

inline void When(std::function<bool()> condition, std::function<void()> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, condition, action] {
        if (!condition()) return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(5);
}

inline void WhenShown(QWidget& widget, std::function<void()> action) {
    When([&widget] { return widget.isVisible(); }, std::move(action));
}

} // namespace zk::ide::test
