#include "core/setup/output_format.h"

namespace tvq::setup {

PreviewPlace previewPlace(int x, int width, int y, int height, Resolution output, int frameWidth,
                          int frameHeight) {
    if (output.width <= 0 || output.height <= 0) return {};
    const double sx = static_cast<double>(frameWidth) / output.width;
    const double sy = static_cast<double>(frameHeight) / output.height;
    // static_cast from double cuts toward zero.
    return {static_cast<int>(x * sx), static_cast<int>(y * sy), static_cast<int>(width * sx),
            static_cast<int>(height * sy)};
}

}  // namespace tvq::setup
