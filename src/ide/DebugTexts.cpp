// The stepper's texts. Offsets of the form map count bytes of each file's
// decoded text, so every slice is taken from the texts the compile read.
#include "ide/DebugTexts.h"

#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"

#include <algorithm>

namespace zk::ide {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A form's text on one line: each run of blanks and line ends becomes one blank.
std::string OnOneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        if (!IsBlank(c))
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    if (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

// A value of several elements in brackets, so that "L=(B C)" does not read
// as two arguments; one element stands as it is.
std::string AsOneValue(const std::string& text) {
    int depth = 0;
    for (const char c : text) {
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == ' ' && depth == 0) return "(" + text + ")";
    }
    return text;
}

} // namespace

TDebugTexts::TDebugTexts(const TFormMap& forms, std::vector<std::string> texts)
    : Forms_(forms), Texts_(std::move(texts)) {
    Texts_.resize(forms.Files.size());
}

TDebugTexts TDebugTexts::Read(const TFormMap& forms) {
    std::vector<std::string> texts;
    for (const std::string& path : forms.Files) {
        try {
            texts.push_back(DecodeText(ReadWholeFile(path)).Text);
        } catch (const TFileError&) {
            texts.emplace_back(); // its forms show without their text
        }
    }
    return TDebugTexts(forms, std::move(texts));
}

std::string TDebugTexts::Slice(int32_t file, int32_t first, int32_t last) const {
    if (file < 0 || static_cast<std::size_t>(file) >= Texts_.size()) return {};
    const std::string& text = Texts_[static_cast<std::size_t>(file)];
    if (first < 0 || last < first || static_cast<std::size_t>(first) >= text.size()) return {};
    const auto end = std::min(static_cast<std::size_t>(last) + 1, text.size());
    return text.substr(static_cast<std::size_t>(first), end - static_cast<std::size_t>(first));
}

TFormRange TDebugTexts::RangeOf(int32_t form) const {
    if (form < 0 || static_cast<std::size_t>(form) >= Forms_.Forms.size()) return {};
    const TFormInfo& info = Forms_.Forms[static_cast<std::size_t>(form)];
    const TTextPlace from = Forms_.PlaceOf(info.File, info.First);
    const TTextPlace to = Forms_.PlaceOf(info.File, info.Last);
    return {info.File, from.Line - 1, from.Column - 1, to.Line - 1, to.Column};
}

std::string TDebugTexts::SourceOf(int32_t form) const {
    if (form < 0 || static_cast<std::size_t>(form) >= Forms_.Forms.size()) return {};
    const TFormInfo& info = Forms_.Forms[static_cast<std::size_t>(form)];
    return OnOneLine(Slice(info.File, info.First, info.Last));
}

int32_t TDebugTexts::BodyOf(int32_t function) const {
    for (std::size_t f = 0; f < Forms_.Forms.size(); ++f)
        if (Forms_.Forms[f].Function == function && Forms_.Forms[f].Parent < 0)
            return static_cast<int32_t>(f);
    return -1;
}

std::vector<TBodyPiece> TDebugTexts::BodyWithValues(const TStopView& view) const {
    const int32_t body = BodyOf(view.Stop.Function);
    if (body < 0) return {};
    const TFormInfo& info = Forms_.Forms[static_cast<std::size_t>(body)];
    std::vector<TBodyPiece> pieces;
    int32_t at = info.First;
    for (const TFinishedForm& finished : view.Finished) {
        const auto count = static_cast<int32_t>(Forms_.Forms.size());
        if (finished.Form < 0 || finished.Form >= count || finished.LastForm < finished.Form ||
            finished.LastForm >= count)
            continue;
        const TFormInfo& first = Forms_.Forms[static_cast<std::size_t>(finished.Form)];
        const TFormInfo& last = Forms_.Forms[static_cast<std::size_t>(finished.LastForm)];
        // Finished forms come in the order written; one that overlaps what is
        // shown already is a part of it.
        if (first.File != info.File || first.First < at || last.Last > info.Last) continue;
        if (first.First > at) pieces.push_back({Slice(info.File, at, first.First - 1), false});
        pieces.push_back({AsOneValue(finished.Value.Text), true});
        at = last.Last + 1;
    }
    if (at <= info.Last) pieces.push_back({Slice(info.File, at, info.Last), false});
    return pieces;
}

std::pair<std::string, std::string> TDebugTexts::LastStep(const TStopView& view) const {
    if (view.LastStep.Form < 0) return {};
    return {SourceOf(view.LastStep.Form), AsOneValue(view.LastStep.Value.Text)};
}

std::string TDebugTexts::FrameText(const TFrameView& frame, const TPCode& code) const {
    if (frame.Function < 0 || static_cast<std::size_t>(frame.Function) >= code.Functions.size())
        return "(?)";
    const TFunction& function = code.Functions[static_cast<std::size_t>(frame.Function)];
    std::string text = "(" + function.Name;
    for (std::size_t i = 0; i < frame.Args.size(); ++i) {
        text += ' ';
        if (i < function.Args.size()) text += function.Args[i] + "=";
        text += AsOneValue(frame.Args[i].Text);
    }
    return text + ")";
}

} // namespace zk::ide
