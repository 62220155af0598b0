// Times the editing model on a generated ZK source of 100,000 lines: loading
// with the full highlighting, then keystrokes at several places (the first
// last opening a block comment on line 1), each followed by one idle slice of the
// highlight cascade as the view's timer would run it. Prints the keystroke
// latency (median, p95, maximum), the longest idle slice and the load time.
// Usage: editor-model-bench [LINES]
#include "editor/MemoModel.h"

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

} // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string source = GeneratedSource(lines);
    zk::editor::TMemoModel model;
    model.SetVisibleSize(100, 40);

    double load = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto start = TClock::now();
        model.SetText(source);
        load = std::min(load, Millis(TClock::now() - start));
    }

    // 250 keystrokes at each place; at the last the first key opens a
    // comment that reaches the end of the file.
    const std::vector<zk::editor::TTextPoint> places = {
        {20, lines / 2}, {6, lines - 3}, {40, lines / 4}, {0, 0}};
    const std::string typed = "(CALL F (QUOTE (A B)) 12) ";
    std::vector<double> keys;
    double longestSlice = 0;
    double cascade = 0;
    for (const zk::editor::TTextPoint place : places) {
        model.SetCaret(place);
        for (int i = 0; i < 250; ++i) {
            const std::string key =
                place.Row == 0 && i == 0 ? "{" : typed.substr(i % typed.size(), 1);
            auto start = TClock::now();
            model.TypeText(key);
            keys.push_back(Millis(TClock::now() - start));
            if (!model.HighlightPending()) continue;
            start = TClock::now();
            model.ContinueHighlight(std::chrono::milliseconds(5));
            const double slice = Millis(TClock::now() - start);
            longestSlice = std::max(longestSlice, slice);
            cascade += slice;
        }
    }
    while (model.HighlightPending()) {
        const auto start = TClock::now();
        model.ContinueHighlight(std::chrono::milliseconds(5));
        const double slice = Millis(TClock::now() - start);
        longestSlice = std::max(longestSlice, slice);
        cascade += slice;
    }

    std::printf("lines %d, keystrokes %zu\n", lines, keys.size());
    const auto slowest = std::max_element(keys.begin(), keys.end());
    std::printf("keystroke: median %.3f ms, p95 %.3f ms, max %.3f ms (keystroke %td)\n",
                Percentile(keys, 0.5), Percentile(keys, 0.95), *slowest, slowest - keys.begin());
    std::printf("idle slices: longest %.3f ms, cascade in all %.1f ms\n", longestSlice, cascade);
    std::printf("load with full highlighting: %.1f ms\n", load);
    return 0;
}
