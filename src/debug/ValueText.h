// Values as a debugger shows them: ZK text cut to a depth of nesting and a
// length, and the whole plain rendering of a value of any size made in slices
// that the caller drives, so that a value of millions of cells never blocks it.
// Both only read the tree memory, and never follow a link outside the cells in
// use nor visit more cells than are in use.
#pragma once

#include "pcode/PCode.h"
#include "runtime/TreeRef.h"
#include "runtime/ZKMemory.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zk {

struct TValueCut {
    int32_t Depth = 3;   // list nodes nested deeper are shown as "(…)"
    int32_t Length = 60; // characters kept before "…" ends the text
};

struct TCutText {
    std::string Text; // Windows-1251; "…" is its byte 0x85
    bool Cut = false; // something of the value was left out
};

// The plain rendering without its final blank ("A (B C) 5"), cut. The empty
// value is the empty text.
TCutText CutText(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                 const TValueCut& cut);

// The text of a value shown as an argument or a result: the value itself when
// it is one element, otherwise between « and », so that "(REV «A B C»)" takes
// one argument of three elements and "(REV (A B C))" one list.
std::string ShownArgument(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                          const TValueCut& cut);
// "(NAME ARG ...)" from the texts of ShownArgument.
std::string CallText(const std::string& name, const std::vector<std::string>& args);

// The whole plain rendering of a value, exactly as ToText makes it ("A (B C)
// 5 ", final blank included), built a slice at a time.
class TValueSlicer {
public:
    TValueSlicer(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms);
    // A text known already: done from the start.
    explicit TValueSlicer(std::string whole);
    // A slicer that stops, stale, as soon as `*generation` differs from
    // `expected`: the value's memory is about to change.
    TValueSlicer(const TZKMemory& memory, TTreeRef value, const TAtomTable& atoms,
                 const std::atomic<uint64_t>* generation, uint64_t expected);
    TValueSlicer(TValueSlicer&&) noexcept;
    TValueSlicer& operator=(TValueSlicer&&) noexcept;
    ~TValueSlicer();

    // Renders at least `characters` more characters unless the text ends
    // first; true while more remains.
    bool Next(std::size_t characters);
    bool Done() const { return Done_; }
    // The memory changed before the text was complete; Text is then partial.
    bool Stale() const { return Stale_; }
    const std::string& Text() const { return Text_; }

private:
    class TWalker;
    std::unique_ptr<TWalker> Walker_;
    const std::atomic<uint64_t>* Generation_ = nullptr;
    uint64_t Expected_ = 0;
    std::string Text_;
    bool Done_ = false;
    bool Stale_ = false;
};

} // namespace zk
