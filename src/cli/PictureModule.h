// The pictures of zk come from a module loaded only when a run's result is
// to be saved as one: a text run never loads Qt and its graphics libraries,
// which would take most of a short run's time.
#pragma once

#include "gfx/PictureCanvas.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace zk::cli {

// A picture session of the module beside zk (the build tree) or in the
// library directory of its installation. Throws TFileError naming the module
// when it is missing or cannot be loaded.
std::unique_ptr<TPictureSession> StartPictureModule();

// Makes canvases of a session started at the first canvas asked for, so that
// a check without a picture test never loads the module.
std::function<std::unique_ptr<TCanvas>(int32_t width, int32_t height)> PictureCanvasMaker();

} // namespace zk::cli
