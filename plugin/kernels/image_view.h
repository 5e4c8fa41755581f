// A buffer as the kernels address it: pixel (x, y) at base + y * stride + x, stride counted in pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pw {

template <typename Pixel>
struct ImageView {
    Pixel* base;
    int32_t width;
    int32_t height;
    int32_t stride;

    Pixel* Row(int32_t y) const { return base + static_cast<ptrdiff_t>(y) * stride; }
};

}  // namespace pw
