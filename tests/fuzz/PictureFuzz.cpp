// A picture description, read as a parameter text is read into the tree
// memory, drawn in each graphics mode onto a canvas that keeps only its size.
// The drawing asks for a canvas only of a size it allows.
#include "FuzzSupport.h"

#include "interp/Picture.h"
#include "runtime/ZKMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

using namespace zk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TZKMemory memory(fuzz::kCellBudget, fuzz::kCellBudget / 5 * 4);
    TAtomTable atoms;
    for (const char* text : {"", "TRUE", "FALSE"})
        atoms.Add(text);
    const TTreeRef value =
        memory.ParseText(std::string_view(reinterpret_cast<const char*>(data), size), atoms);
    std::unique_ptr<fuzz::TNullCanvas> canvas;
    const auto makeCanvas = [&canvas](int32_t width, int32_t height) -> TCanvas& {
        fuzz::Require(width >= 1 && width <= kMaxPictureWidth && height >= 1 &&
                          height <= kMaxPictureHeight,
                      "a canvas of a size the pictures do not allow");
        canvas = std::make_unique<fuzz::TNullCanvas>(width, height);
        return *canvas;
    };
    for (const int32_t mode : {kGraphics16Colours, kGraphicsMonochrome, kGraphicsTrueColour})
        DrawPicture(memory, value, atoms, mode, makeCanvas);
    return 0;
}
