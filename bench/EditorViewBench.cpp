// Times the editor widget on a generated ZK source of 100,000 lines, offscreen:
// the load (setting the text with its full highlighting, then the first
// paint), and keystrokes at several places, the last place opening a block
// comment on line 1 that reaches the end of the file. A keystroke is timed
// from its key event to the end of the paint it causes; after each one the
// idle re-highlighting gets one turn of the event loop, as between the keys
// of a fast typist, and that turn is timed too.
// Usage: editor-view-bench [LINES]
#include "editor/SyntaxMemo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Millis(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The processor time of this thread, which other programs on a loaded
// machine do not stretch.
double ThreadMillis() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string GeneratedSource(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        switch (i % 5) {
        case 0: text += "(F" + std::to_string(i) + " (X Y) // function " + std::to_string(i); break;
        case 1: text += "  (IF (EQUAL (FIRST X) (QUOTE (A B C)))"; break;
        case 2: text += "      (CALL G (BF X) 12 -5)"; break;
        case 3: text += "      (SYMBOL X) // a note about " + std::to_string(i); break;
        case 4: text += "      (EXPR (LAST Y) (BR X Y))))"; break;
        }
        text += "\r\n";
    }
    return text;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Counts the paint events of the viewport, to be sure a keystroke was painted.
class TPaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
    int Paints = 0;
};

// Paints what is waiting to be painted, now.
void PaintNow(QWidget& window) {
    QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string source = GeneratedSource(lines);

    QWidget window;
    window.resize(900, 700);
    auto* memo = new zk::editor::TDCSyntaxMemo(&window);
    memo->setGeometry(window.rect());
    window.show();
    QApplication::setActiveWindow(&window);
    memo->setFocus();
    QApplication::processEvents();
    TPaintCounter counter;
    memo->viewport()->installEventFilter(&counter);

    double load = 1e9;
    double firstPaint = 1e9;
    for (int round = 0; round < 3; ++round) {
        memo->SetText("");
        PaintNow(window);
        const auto start = TClock::now();
        memo->SetText(source);
        const auto loaded = TClock::now();
        PaintNow(window);
        load = std::min(load, Millis(loaded - start));
        firstPaint = std::min(firstPaint, Millis(TClock::now() - loaded));
    }

    // A whole viewport of highlighted source painted afresh, as after a
    // sideways scroll (before the typing turns the file into one comment).
    std::vector<double> full;
    memo->SetCaret(0, lines / 2);
    for (int i = 0; i < 50; ++i) {
        const auto start = TClock::now();
        memo->viewport()->repaint();
        full.push_back(Millis(TClock::now() - start));
    }

    const std::vector<zk::editor::TTextPoint> places = {
        {20, lines / 2}, {6, lines - 3}, {40, lines / 4}, {0, 0}};
    const QString typed = QStringLiteral("(CALL F (QUOTE (A B)) 12) ");
    std::vector<double> keys;
    std::vector<double> cpu; // processor time of the same keystrokes
    double longestIdle = 0;
    int unpainted = 0;
    for (const zk::editor::TTextPoint place : places) {
        memo->SetCaret(place.Col, place.Row);
        PaintNow(window);
        QApplication::processEvents();
        for (int i = 0; i < 250; ++i) {
            const QString text =
                place.Row == 0 && i == 0 ? QStringLiteral("{") : QString(typed[i % typed.size()]);
            const int paints = counter.Paints;
            const double cpuStart = ThreadMillis();
            const auto start = TClock::now();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
            QApplication::sendEvent(memo, &press);
            PaintNow(window);
            keys.push_back(Millis(TClock::now() - start));
            cpu.push_back(ThreadMillis() - cpuStart);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
            QApplication::sendEvent(memo, &release);
            if (counter.Paints == paints) ++unpainted;
            const auto idle = TClock::now();
            QApplication::processEvents();
            PaintNow(window);
            longestIdle = std::max(longestIdle, Millis(TClock::now() - idle));
        }
    }
    while (memo->Model().HighlightPending()) {
        const auto idle = TClock::now();
        QApplication::processEvents();
        PaintNow(window);
        longestIdle = std::max(longestIdle, Millis(TClock::now() - idle));
    }

    std::printf("lines %d, keystrokes %zu (%d without a paint), view %d x %d cells\n", lines,
                keys.size(), unpainted, memo->VisibleCols(), memo->VisibleRows());
    const auto slowest = std::max_element(keys.begin(), keys.end());
    std::printf("key event to finished paint: median %.3f ms, p95 %.3f ms, max %.3f ms "
                "(keystroke %td)\n",
                Percentile(keys, 0.5), Percentile(keys, 0.95), *slowest, slowest - keys.begin());
    std::printf("  processor time: median %.3f ms, p95 %.3f ms, max %.3f ms\n",
                Percentile(cpu, 0.5), Percentile(cpu, 0.95),
                *std::max_element(cpu.begin(), cpu.end()));
    for (std::size_t p = 0; p < places.size(); ++p) {
        const std::vector<double> part(keys.begin() + static_cast<std::ptrdiff_t>(p * 250),
                                       keys.begin() + static_cast<std::ptrdiff_t>(p * 250 + 250));
        std::printf("  at row %d: median %.3f ms, p95 %.3f ms, max %.3f ms\n", places[p].Row,
                    Percentile(part, 0.5), Percentile(part, 0.95),
                    *std::max_element(part.begin(), part.end()));
    }
    std::printf("whole viewport repainted: median %.3f ms, max %.3f ms\n", Percentile(full, 0.5),
                *std::max_element(full.begin(), full.end()));
    std::printf("idle turn (re-highlight slice and its paint): longest %.3f ms\n", longestIdle);
    std::printf("load: text set with full highlighting %.1f ms, first paint %.1f ms\n", load,
                firstPaint);
    return 0;
}
