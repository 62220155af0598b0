#include "gfx/ResultPicture.h"

namespace zk {

std::unique_ptr<TQtCanvas> DrawResultPicture(TInterpreter& run, int32_t graphicsMode) {
    std::unique_ptr<TQtCanvas> picture;
    const int32_t code =
        run.ResultPicture(graphicsMode, [&picture](int32_t width, int32_t height) -> TCanvas& {
            picture = std::make_unique<TQtCanvas>(width, height);
            return *picture;
        });
    if (code != 0) picture.reset();
    return picture;
}

} // namespace zk
