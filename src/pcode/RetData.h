// The frame of one open form on the compile stack: which term compiler owns
// the form and the working state that compiler keeps between its steps.
#pragma once

#include <cstdint>
#include <memory>

namespace zk {

// Each term compiler derives its own state record from this base; the frame
// owns the record, so a frame dropped on an error releases it.
struct TFormState {
    virtual ~TFormState() = default;
};

struct TRetData {
    int32_t Index = -1;                // registry index of the form's keyword; -1: an operator call
    std::unique_ptr<TFormState> State; // none before the first step and after completion
};

} // namespace zk
