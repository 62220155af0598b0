// What the fuzz harnesses share: a scratch directory that lives as long as
// the process, a run of an image bounded in steps, stack and memory so that
// every input ends quickly, a canvas that draws nothing, and the check that
// stops the fuzzer when a property that must hold does not.
#pragma once

#include "interp/Canvas.h"
#include "interp/Interpreter.h"
#include "pcode/PCode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk::fuzz {

// A fuzzed run may loop or recurse forever: it ends after this many steps, or
// when its stacks hold this many nodes, or when its cells run out. One step
// may copy a whole value, so the steps and the cells together bound the time.
constexpr int64_t kStepBudget = 20000;
constexpr int64_t kStackBudget = 5000;
constexpr int32_t kCellBudget = 4096;

// The directory, created on first use and removed at exit; as a search-list
// entry, with a trailing separator.
const std::string& ScratchEntry();
// Removes every file of the scratch directory.
void ClearScratch();
// Creates or replaces the file and returns its path.
std::string WriteScratch(std::string_view name, std::string_view bytes);

// Splits an input into files: the main file's bytes first, then each other
// file after a line "@@NAME". Clears the scratch directory, writes the other
// files there (at most five, with plain names) and returns the main file's
// bytes.
std::string_view WriteFiles(std::string_view input);

// Reads the fuzzer's bytes as a p-code file of any layout into `code`;
// false when the reader refuses them.
bool DecodeFuzzedFile(const uint8_t* data, std::size_t size, TPCode& code);

// Runs an image that has passed the image check with a few fixed
// parameters, then renders or draws the result. The image must not end with
// an instruction that cannot be carried out.
void RunBounded(TPCode code, bool drawResult);

// Aborts with `what` when `holds` is false: a property the language system
// guarantees was broken, which the fuzzer reports as a crash.
void Require(bool holds, std::string_view what);

// Keeps the size it was made with and nothing else; text is 6 by 12 pixels a
// character.
class TNullCanvas final : public TCanvas {
public:
    TNullCanvas(int32_t width, int32_t height) : Width_(width), Height_(height) {}

    int32_t Width() const override { return Width_; }
    int32_t Height() const override { return Height_; }
    void SetPenColour(TRgb) override {}
    void SetBrushColour(TRgb) override {}
    void SetBrushSolid(bool) override {}
    void SetFont(std::string_view, int32_t) override {}
    void SetFontSize(int32_t) override {}
    void SetFontColour(TRgb) override {}
    void SetPixel(int32_t, int32_t, TRgb) override {}
    TRgb Pixel(int32_t, int32_t) const override { return {255, 255, 255}; }
    void Line(int32_t, int32_t, int32_t, int32_t) override {}
    void FrameRect(int32_t, int32_t, int32_t, int32_t) override {}
    void Rectangle(int32_t, int32_t, int32_t, int32_t) override {}
    void Ellipse(int32_t, int32_t, int32_t, int32_t) override {}
    void FloodFill(int32_t, int32_t, TRgb) override {}
    void TextOut(int32_t, int32_t, std::string_view) override {}
    TTextExtent TextExtent(std::string_view text) const override {
        return {static_cast<int32_t>(text.size() % 100000) * 6, 12};
    }

private:
    int32_t Width_;
    int32_t Height_;
};

} // namespace zk::fuzz
