// Times the main window offscreen. Start-up: from starting a process until
// the window has painted its editor with a 1,000-line file given on the
// command line, as varnok starts (the process is this program in its child
// role, which builds the window exactly as main.cpp does). Tab switch: two
// 20,000-line documents, each switch timed from the tab's change to the end
// of the paint of the document it shows.
// Usage: main-window-bench [RUNS]
#include "frontend/Options.h"
#include "ide/DialogService.h"
#include "ide/MainWindow.h"
#include "ide/QtTranslation.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTabBar>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
using zk::ide::TAnswer;

double Millis(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void WriteSource(const std::string& path, int lines) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < lines; ++i) {
        switch (i % 4) {
        case 0: out << "(F" << i << " (X Y) // function " << i; break;
        case 1: out << "  (IF (EQUAL (FIRST X) (QUOTE (A B C)))"; break;
        case 2: out << "      (CALL G (BF X) 12 -5)"; break;
        case 3: out << "      (EXPR (LAST Y) (BR X Y)))"; break;
        }
        out << "\r\n";
    }
}

// A UTF-8 source with LF line ends and Russian comments, as a Linux editor
// writes one, of at least `bytes` bytes.
void WriteUtf8Source(const std::string& path, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::size_t written = 0;
    for (int i = 0; written < bytes; ++i) {
        std::string line = i % 2 == 0 ? "; Функция " + std::to_string(i) + " переворачивает список"
                                      : "(F" + std::to_string(i) + " (X) (CALL REV X))";
        line += '\n';
        out << line;
        written += line.size();
    }
}

// Answers every question with No and every file dialog with the next path.
class TBenchDialogs final : public zk::ide::TDialogService {
public:
    std::vector<QString> Paths;
    TAnswer Message(QWidget*, const QString&, const QString&, zk::ide::TMessageIcon,
                    zk::ide::TMessageButtons) override {
        return TAnswer::No;
    }
    QString OpenFile(QWidget*, const zk::ide::TFileRequest&) override { return Next(); }
    QString SaveFile(QWidget*, const zk::ide::TFileRequest&) override { return {}; }
    std::optional<QString> InputText(QWidget*, const QString&, const QString&,
                                     const QString&) override {
        return std::nullopt;
    }

private:
    QString Next() {
        if (Paths.empty()) return {};
        QString path = Paths.front();
        Paths.erase(Paths.begin());
        return path;
    }
};

// Counts the paints of a widget.
class TPaintCounter final : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

// Runs `action`, then the event loop until `widget` has been painted.
template <typename TAction> void UntilPainted(QWidget& widget, TAction action) {
    TPaintCounter counter;
    widget.installEventFilter(&counter);
    action();
    while (counter.Paints == 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    widget.removeEventFilter(&counter);
}

// The child role: the window as varnok starts it, then "shown" on stdout.
int StartWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    zk::ide::InstallQtTranslation(app);
    TBenchDialogs dialogs;
    zk::ide::TMainFrm window(dialogs);
    window.OpenStartFile(QFile::decodeName(argv[2]));
    TPaintCounter counter;
    window.Editor().viewport()->installEventFilter(&counter);
    window.show();
    window.LoadStartupSettings();
    while (counter.Paints == 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    std::_Exit(0);
}

// Wall time from the start of a child process to its window's first paint.
double StartUpMillis(const char* self, const std::string& file) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) std::exit(1);
    const TClock::time_point start = TClock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        execl(self, self, "--start-window", file.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    close(pipeEnds[1]);
    char reply[16] = {};
    const ssize_t got = read(pipeEnds[0], reply, sizeof reply - 1);
    const double elapsed = Millis(TClock::now() - start);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got <= 0 || std::strncmp(reply, "shown", 5) != 0) {
        std::fprintf(stderr, "the window did not start\n");
        std::exit(1);
    }
    return elapsed;
}

void TabSwitches(int argc, char** argv, const QString& dir, int runs) {
    QApplication app(argc, argv);
    const std::string first = (dir + "/first.zk").toStdString();
    const std::string second = (dir + "/second.zk").toStdString();
    WriteSource(first, 20000);
    WriteSource(second, 20000);
    TBenchDialogs dialogs;
    dialogs.Paths = {QString::fromStdString(first), QString::fromStdString(second)};
    zk::ide::TMainFrm window(dialogs);
    window.show();
    window.Action("MnuOpenItm")->trigger();
    window.Action("MnuOpenItm")->trigger();
    for (const int slot : {1, 2})
        UntilPainted(*window.Editors().MemoOf(slot)->viewport(),
                     [&] { window.Tabs().setCurrentIndex(slot - 1); });

    std::vector<double> plain, edited;
    for (int i = 0; i < 2 * runs; ++i) {
        const bool edit = i % 4 >= 2; // every other round trip after a change
        if (edit) {
            window.Editor().SetCaret(0, 100 + i);
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "A");
            QApplication::sendEvent(&window.Editor(), &key);
            QApplication::processEvents();
        }
        const int target = 1 - window.Tabs().currentIndex();
        QWidget& shown = *window.Editors().MemoOf(window.Table().TabSlot(target))->viewport();
        const TClock::time_point start = TClock::now();
        UntilPainted(shown, [&] { window.Tabs().setCurrentIndex(target); });
        (edit ? edited : plain).push_back(Millis(TClock::now() - start));
    }
    std::printf("tab switch, two 20,000-line documents: median %.2f ms, max %.2f ms\n",
                Median(plain), *std::max_element(plain.begin(), plain.end()));
    std::printf("tab switch after an edit:              median %.2f ms, max %.2f ms\n",
                Median(edited), *std::max_element(edited.begin(), edited.end()));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 2 && std::strcmp(argv[1], "--start-window") == 0) return StartWindow(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    QTemporaryDir dir;
    // A settings file in the current directory, so that the start-up asks nothing.
    QDir::setCurrent(dir.path());
    zk::TOptions defaults;
    zk::SetDefaultOptions(defaults);
    zk::SaveOptions((dir.path() + "/Zk.ini").toStdString(), defaults);
    const std::string file = (dir.path() + "/thousand.zk").toStdString();
    WriteSource(file, 1000);
    std::vector<double> startUps;
    for (int i = 0; i < runs; ++i)
        startUps.push_back(StartUpMillis(self.c_str(), file));
    std::printf("start-up to the painted window, 1,000-line file: median %.1f ms, min %.1f ms, "
                "max %.1f ms (%d runs)\n",
                Median(startUps), *std::min_element(startUps.begin(), startUps.end()),
                *std::max_element(startUps.begin(), startUps.end()), runs);
    const std::string large = (dir.path() + "/large-utf8.zk").toStdString();
    WriteUtf8Source(large, 20 * 1024 * 1024);
    std::vector<double> largeStartUps;
    for (int i = 0; i < std::min(runs, 5); ++i)
        largeStartUps.push_back(StartUpMillis(self.c_str(), large));
    std::printf("start-up to the painted window, 20 MB UTF-8 file: median %.1f ms, max %.1f ms "
                "(%zu runs)\n",
                Median(largeStartUps),
                *std::max_element(largeStartUps.begin(), largeStartUps.end()),
                largeStartUps.size());
    TabSwitches(argc, argv, dir.path(), runs);
    return 0;
}
