#include "gfx/ResultPicture.h"

#include "gfx/PictureCanvas.h"

namespace zk {

std::unique_ptr<TQtCanvas> DrawResultPicture(TInterpreter& run, int32_t graphicsMode) {
    return DrawResultPicture(run, graphicsMode, [](int32_t width, int32_t height) {
        return std::make_unique<TQtCanvas>(width, height);
    });
}

} // namespace zk
