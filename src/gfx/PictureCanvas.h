// A picture as a program's result: a canvas that can be saved, and the
// session that makes such canvases. Free of Qt, so that zk can use the
// pictures of a module it loads only when a run's result is one.
#pragma once

#include "interp/Canvas.h"
#include "interp/Interpreter.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace zk {

class TPictureCanvas : public TCanvas {
public:
    // Writes the picture as a Windows bitmap to `path` (Windows-1251); throws
    // TFileError naming the file when it cannot be written.
    virtual void SavePictureBmp(std::string_view path) const = 0;
};

// Whatever drawing text needs (an application object, fonts) lives as long
// as the session.
class TPictureSession {
public:
    virtual ~TPictureSession() = default;
    // A white picture of 1..640 by 1..480 pixels.
    virtual std::unique_ptr<TPictureCanvas> MakeCanvas(int32_t width, int32_t height) = 0;
};

// After a run that ended with 70: the picture that the top value describes, in
// the given graphics mode, drawn on the canvas that `makeCanvas(width, height)`
// returns. Nothing when the value is no picture; the run's error number then
// holds the reason (72-75).
template <class TMakeCanvas>
auto DrawResultPicture(TInterpreter& run, int32_t graphicsMode, TMakeCanvas makeCanvas)
    -> decltype(makeCanvas(1, 1)) {
    decltype(makeCanvas(1, 1)) picture;
    const int32_t code =
        run.ResultPicture(graphicsMode, [&](int32_t width, int32_t height) -> TCanvas& {
            picture = makeCanvas(width, height);
            return *picture;
        });
    if (code != 0) picture.reset();
    return picture;
}

} // namespace zk

// The one symbol of the picture module: a new session on the offscreen
// platform (unless QT_QPA_PLATFORM names another), owned by the caller.
extern "C" zk::TPictureSession* ZkStartPictureSession();
