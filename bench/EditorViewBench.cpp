// Times the editor widget on a generated ZK source of 100,000 lines, offscreen,
// with its highlighting and line numbers: the load (setting the text with its
// full highlighting, then the first paint), and keystrokes at several places,
// the last place opening a block comment on line 1 that reaches the end of
// the file. A keystroke is timed
// from its key event to the end of the paint it causes; after each one the
// idle re-highlighting gets one turn of the event loop, as between the keys
// of a fast typist, and that turn is timed too. Last, the middle of the text
// is typed into with line breaks, without and with a breakpoint on every
// 20th line, then with an analysis' diagnostics, and words are typed with
// the completion list open.
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
#include <functional>
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
    double longestIdle = 0;
    int unpainted = 0;
    const auto settle = [&] {
        const auto idle = TClock::now();
        QApplication::processEvents();
        PaintNow(window);
        longestIdle = std::max(longestIdle, Millis(TClock::now() - idle));
    };
    // One keystroke, timed to its finished paint (wall clock and processor
    // time), then one idle turn.
    const auto keystroke = [&](int key, const QString& text, std::vector<double>& wall,
                               std::vector<double>& cpu) {
        const int paints = counter.Paints;
        const double cpuStart = ThreadMillis();
        const auto start = TClock::now();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(memo, &press);
        PaintNow(window);
        wall.push_back(Millis(TClock::now() - start));
        cpu.push_back(ThreadMillis() - cpuStart);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(memo, &release);
        if (counter.Paints == paints) ++unpainted;
        settle();
    };
    std::vector<double> keys;
    std::vector<double> cpu; // processor time of the same keystrokes
    for (const zk::editor::TTextPoint place : places) {
        memo->SetCaret(place.Col, place.Row);
        PaintNow(window);
        QApplication::processEvents();
        for (int i = 0; i < 250; ++i)
            keystroke(Qt::Key_unknown,
                      place.Row == 0 && i == 0 ? QStringLiteral("{")
                                               : QString(typed[i % typed.size()]),
                      keys, cpu);
    }
    while (memo->Model().HighlightPending())
        settle();

    // The same typing in the middle of the text three times more, Enter
    // every 25 keys: without marks, then with a breakpoint on every 20th
    // line, which each Enter moves, then with an analysis' diagnostics: an
    // error on the caret's line right of it, which every key moves, and a
    // warning on every 100th line.
    const auto typeInTheMiddle = [&](const std::function<void()>& mark, std::vector<double>& wall,
                                     std::vector<double>& cpu) {
        memo->SetText(source);
        mark();
        memo->SetCaret(20, lines / 2);
        PaintNow(window);
        QApplication::processEvents();
        for (int i = 0; i < 250; ++i) {
            if (i % 25 == 24)
                keystroke(Qt::Key_Return, QStringLiteral("\r"), wall, cpu);
            else
                keystroke(Qt::Key_unknown, QString(typed[i % typed.size()]), wall, cpu);
        }
    };
    std::vector<double> plain;
    std::vector<double> plainCpu;
    typeInTheMiddle([] {}, plain, plainCpu);
    std::vector<double> marked;
    std::vector<double> markedCpu;
    typeInTheMiddle(
        [&] {
            for (int row = 0; row < lines; row += 20)
                memo->SetBreakpoint(row);
        },
        marked, markedCpu);
    std::vector<double> diagnosed;
    std::vector<double> diagnosedCpu;
    typeInTheMiddle(
        [&] {
            std::vector<zk::editor::TEditorDiagnostic> found = {
                {{24, lines / 2}, {29, lines / 2}, QStringLiteral("Ошибка"), {}}};
            for (int row = 50; row < lines; row += 100)
                found.push_back({{6, row},
                                 {10, row},
                                 QStringLiteral("Предупреждение"),
                                 zk::editor::TDiagnosticSeverity::Warning});
            memo->SetDiagnostics(found);
        },
        diagnosed, diagnosedCpu);
    const std::size_t diagnostics = memo->Model().Diagnostics().size();

    // Words typed with the completion list open, Control+Space answered at
    // once with the keywords and 200 functions: each letter narrows the
    // list and paints the popup anew.
    std::vector<zk::editor::TCompletionItem> offered;
    for (const char* keyword : {"FIRST", "BF", "LAST", "BL", "EXPR", "QUOTE", "BR", "CONT", "EQUAL",
                                "IF", "CALL", "ABORT", "SYMBOL", "NUMBER"})
        offered.push_back({keyword, "", zk::editor::TCompletionKind::Keyword});
    for (int i = 0; i < 200; ++i) {
        std::string name(1, 'F');
        name += std::to_string(i * 5);
        offered.push_back({name, "(" + name + " X Y)", zk::editor::TCompletionKind::Function});
    }
    QObject::connect(memo, &zk::editor::TDCSyntaxMemo::OnCompletionRequested, memo,
                     [&] { memo->ShowCompletions(offered); });
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(memo, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(memo, &up);
        settle();
    };
    memo->SetText(source);
    memo->SetCaret(20, lines / 2);
    std::vector<double> completing;
    std::vector<double> completingCpu;
    int opened = 0;
    for (int word = 0; word < 50; ++word) {
        press(Qt::Key_unknown, Qt::NoModifier, QStringLiteral(" "));
        press(Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
        opened += memo->CompletionsShown() ? 1 : 0;
        for (const QChar c : QStringLiteral("F12"))
            keystroke(Qt::Key_unknown, QString(c), completing, completingCpu);
        press(Qt::Key_Escape, Qt::NoModifier, {});
    }

    std::printf("lines %d, keystrokes %zu (%d without a paint), view %d x %d cells, "
                "gutter %d pixels with line numbers\n",
                lines, keys.size(), unpainted, memo->VisibleCols(), memo->VisibleRows(),
                memo->Metrics().GutterWidth);
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
    std::printf("typing with Enter every 25 keys at row %d, without breakpoints: median %.3f ms, "
                "p95 %.3f ms (processor median %.3f ms)\n",
                lines / 2, Percentile(plain, 0.5), Percentile(plain, 0.95),
                Percentile(plainCpu, 0.5));
    std::printf("  with 5000 breakpoints: median %.3f ms, p95 %.3f ms (processor median %.3f ms)\n",
                Percentile(marked, 0.5), Percentile(marked, 0.95), Percentile(markedCpu, 0.5));
    std::printf("  with %zu diagnostics: median %.3f ms, p95 %.3f ms (processor median %.3f ms)\n",
                diagnostics, Percentile(diagnosed, 0.5), Percentile(diagnosed, 0.95),
                Percentile(diagnosedCpu, 0.5));
    std::printf("typing a word with the completion list of %zu items open (%d times of 50): "
                "median %.3f ms, p95 %.3f ms (processor median %.3f ms)\n",
                offered.size(), opened, Percentile(completing, 0.5), Percentile(completing, 0.95),
                Percentile(completingCpu, 0.5));
    std::printf("whole viewport repainted: median %.3f ms, max %.3f ms\n", Percentile(full, 0.5),
                *std::max_element(full.begin(), full.end()));
    std::printf("idle turn (re-highlight slice and its paint): longest %.3f ms\n", longestIdle);
    std::printf("load: text set with full highlighting %.1f ms, first paint %.1f ms\n", load,
                firstPaint);
    return 0;
}
