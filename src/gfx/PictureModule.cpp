// The picture module that zk loads for a run whose result is a picture: the
// Qt canvas and the offscreen application its text needs.
#include "gfx/PictureCanvas.h"
#include "gfx/QtCanvas.h"

namespace zk {
namespace {

class TQtPictureSession final : public TPictureSession {
public:
    std::unique_ptr<TPictureCanvas> MakeCanvas(int32_t width, int32_t height) override {
        return std::make_unique<TQtCanvas>(width, height);
    }

private:
    std::unique_ptr<QGuiApplication> Gui_ = MakeOffscreenGui();
};

} // namespace
} // namespace zk

extern "C" __attribute__((visibility("default"))) zk::TPictureSession* ZkStartPictureSession() {
    return new zk::TQtPictureSession;
}
