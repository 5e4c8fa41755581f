// Box blur of width 2r + 1 by line passes that run in place over running sums kept in caller scratch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/image_view.h"
#include "kernels/pixel_depth.h"

namespace pw {

// Caller memory for the running sums: at least max(width, height) entries of the depth's width.
struct BoxBlurSums {
    void* data;
    size_t bytes;
};

// Four sums an entry: 32-bit integers for 8-bit images (16 bytes), doubles for 16-bit and float (32 bytes).
template <typename Depth>
constexpr size_t kBoxBlurEntryBytes = 4 * sizeof(typename Depth::Sum);

// One line each. r <= 0, a line index outside the view or scratch shorter than the line leave it untouched.
template <typename Pixel>
void BoxBlurRow(const BoxBlurSums& sums, int32_t line, const int32_t& radius, const ImageView<Pixel>& view);
template <typename Pixel>
void BoxBlurColumn(const BoxBlurSums& sums, int32_t line, const int32_t& radius, const ImageView<Pixel>& view);

// Whole passes: every row top to bottom, or every column left to right. The column pass walks strips of
// adjacent columns together, as far as the scratch allows; the result is that of one column at a time. `isa` picks
// the lanes (the same bytes either way).
template <typename Pixel>
void BoxBlurRows(const BoxBlurSums& sums, int32_t radius, const ImageView<Pixel>& view, Isa isa = BestIsa());
template <typename Pixel>
void BoxBlurColumns(const BoxBlurSums& sums, int32_t radius, const ImageView<Pixel>& view, Isa isa = BestIsa());

}  // namespace pw
