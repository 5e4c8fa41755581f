#include "kernels/box_blur.h"

#include <memory>
#include <type_traits>

#include "kernels/box_blur_lines.h"

namespace pw {
namespace {

static_assert(sizeof(PF_Pixel8) == 4 * sizeof(A_u_char) && sizeof(PF_Pixel16) == 4 * sizeof(A_u_short) &&
                  sizeof(PF_PixelFloat) == 4 * sizeof(PF_FpShort),
              "a pixel is its four channels, alpha first");

template <typename Pixel>
auto Channels(Pixel* p)
{
    return &p->alpha;
}

// Longest line a pass takes: 8-bit sums must fit 32 bits, and a row's channels are counted in int32.
// No host hands lines anywhere near either; longer ones are left as they are.
template <typename Depth>
constexpr int64_t kMaxLine = std::is_same_v<Depth, Depth8> ? int64_t{1} << 23 : int64_t{1} << 28;

// Columns walked together: 512 bytes of every row (as far as the scratch allows), so that the walk down
// a strip crosses a page per row for many pixels at once.
template <typename Depth>
constexpr int32_t kStripPixels = static_cast<int32_t>(512 / sizeof(typename Depth::Pixel));

// The caller's scratch, aligned for the widest sum; each pass views it in its own sum type.
struct Scratch {
    void* data = nullptr;
    size_t bytes = 0;

    explicit Scratch(const BoxBlurSums& s)
    {
        void* p = s.data;
        size_t space = s.bytes;
        if (p != nullptr && std::align(alignof(double), sizeof(double), p, space) != nullptr) {
            data = p;
            bytes = space;
        }
    }
    template <typename Sum>
    Sum* As() const
    {
        return static_cast<Sum*>(data);
    }
    template <typename Sum>
    size_t Count() const
    {
        return bytes / sizeof(Sum);
    }
};

template <typename Arith>
using SumOf = typename std::decay_t<Arith>::Sum;

// The arithmetic of a pass of radius r over lines of n pixels.
template <typename Depth, typename Fn>
void WithArith(int32_t r, int64_t n, const Fn& fn)
{
    const int64_t window = 2 * static_cast<int64_t>(r) + 1;
    if constexpr (std::is_same_v<Depth, Depth8>) {
        blur::NarrowDivisor narrow;
        if (blur::FindNarrow(window, narrow)) {
            switch (narrow.shift) {
            case 1:
                return fn(blur::Arith8Narrow<1>(narrow));
            case 2:
                return fn(blur::Arith8Narrow<2>(narrow));
            case 3:
                return fn(blur::Arith8Narrow<3>(narrow));
            case 4:
                return fn(blur::Arith8Narrow<4>(narrow));
            case 5:
                return fn(blur::Arith8Narrow<5>(narrow));
            case 6:
                return fn(blur::Arith8Narrow<6>(narrow));
            case 7:
                return fn(blur::Arith8Narrow<7>(narrow));
            default:
                return fn(blur::Arith8Narrow<8>(narrow));
            }
        }
        if (window <= blur::Arith8::kMaxWindow) {
            fn(blur::Arith8(window));
        } else {
            fn(blur::Arith8Wide(window));
        }
    } else if constexpr (std::is_same_v<Depth, Depth16>) {
        if (n <= blur::Arith16Int::kMaxLength && window <= blur::Arith16Short::kMaxWindow) {
            fn(blur::Arith16Short(window));
        } else if (n <= blur::Arith16Int::kMaxLength && window <= blur::Arith16Int::kMaxLength) {
            fn(blur::Arith16Int(window));
        } else {
            fn(blur::Arith16(window));
        }
    } else {
        fn(blur::ArithFloat(window));
    }
}

template <typename Depth, Isa kLanes = Isa::Baseline>
void OneLine(const BoxBlurSums& sums, int32_t r, typename Depth::Pixel* start, ptrdiff_t pixelStep, int32_t n)
{
    if (r <= 0 || n <= 0 || n > kMaxLine<Depth>) {
        return;
    }
    const Scratch scratch(sums);
    WithArith<Depth>(r, n, [&](const auto& arith) {
        using Sum = SumOf<decltype(arith)>;
        if (scratch.Count<Sum>() / 4 >= static_cast<size_t>(n)) {
            blur::BlurWhole<std::decay_t<decltype(arith)>, kLanes>(
                arith, blur::Lines<typename Depth::Channel>{Channels(start), 4 * pixelStep, 4, n}, r, scratch.As<Sum>());
        }
    });
}

template <typename Depth>
void Row(const BoxBlurSums& sums, int32_t y, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    if (y >= 0 && y < view.height) {
        OneLine<Depth>(sums, r, view.Row(y), 1, view.width);
    }
}

template <typename Depth>
void Column(const BoxBlurSums& sums, int32_t x, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    if (x >= 0 && x < view.width && view.height > 0) {
        OneLine<Depth>(sums, r, view.Row(0) + x, view.stride, view.height);
    }
}

template <typename Depth, Isa kLanes = Isa::Baseline>
void Rows(const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    for (int32_t y = 0; y < view.height; ++y) {
        OneLine<Depth, kLanes>(sums, r, view.Row(y), 1, view.width);
    }
}

template <typename Depth, Isa kLanes = Isa::Baseline>
void Columns(const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    const int32_t n = view.height;
    if (r <= 0 || n <= 0 || view.width <= 0 || n > kMaxLine<Depth>) {
        return;
    }
    const Scratch scratch(sums);
    const int32_t ring = 2 * static_cast<int64_t>(r) + 2 < n ? 2 * r + 2 : n;
    WithArith<Depth>(r, n, [&](const auto& arith) {
        using Sum = SumOf<decltype(arith)>;
        const size_t fit = scratch.Count<Sum>() / (4 * static_cast<size_t>(ring));
        if (fit < 1) {
            return;
        }
        const int32_t strip = fit < static_cast<size_t>(kStripPixels<Depth>) ? static_cast<int32_t>(fit)
                                                                              : kStripPixels<Depth>;
        for (int32_t x = 0; x < view.width; x += strip) {
            const int32_t lines = view.width - x < strip ? view.width - x : strip;
            blur::BlurRing<std::decay_t<decltype(arith)>, kLanes>(arith,
                           blur::Lines<typename Depth::Channel>{Channels(view.Row(0) + x), 4 * ptrdiff_t{view.stride},
                                                                4 * lines, n},
                           r, ring, scratch.As<Sum>());
        }
    });
}

static_assert(kStripPixels<Depth8> * 4 <= blur::kMaxLanes && kStripPixels<DepthFloat> >= 1, "strip width");

template <typename Depth>
PW_AVX2_SCHEDULE void RowsAvx2(const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    Rows<Depth, Isa::Avx2>(sums, r, view);
}

template <typename Depth>
PW_AVX2_SCHEDULE void ColumnsAvx2(const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    Columns<Depth, Isa::Avx2>(sums, r, view);
}

// The 8-bit passes run narrow integer sums that the compiler's wider lanes do not speed up: they take only the
// hand-scheduled lanes of box_blur_lanes8.h, at either width. The others gain a third from the compiler's AVX2 lanes,
// with hand-scheduled lanes inside at either width (float's eight doubles a 512-bit vector take its passes nearly
// half the instructions; 16-bit's sixteen 32-bit sums).
template <typename Depth>
constexpr bool kWiderPays = !std::is_same_v<Depth, Depth8>;

#ifdef PW_HAVE_LANES_AVX512

template <typename Depth>
PW_AVX512_SCHEDULE void RowsAvx512(const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    Rows<Depth, Isa::Avx512Vbmi>(sums, r, view);
}

template <typename Depth>
PW_AVX512_SCHEDULE void ColumnsAvx512(const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    Columns<Depth, Isa::Avx512Vbmi>(sums, r, view);
}
#endif

template <typename Depth>
void RowsOn(Isa isa, const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    if constexpr (kWiderPays<Depth>) {
#ifdef PW_HAVE_LANES_AVX512
        if (isa >= Isa::Avx512Vbmi) return RowsAvx512<Depth>(sums, r, view);
#endif
        if (isa >= Isa::Avx2) return RowsAvx2<Depth>(sums, r, view);
    } else {
#ifdef PW_HAVE_LANES_AVX512
        if (isa >= Isa::Avx512Vbmi) return Rows<Depth, Isa::Avx512Vbmi>(sums, r, view);
#endif
        if (isa >= Isa::Avx2) return Rows<Depth, Isa::Avx2>(sums, r, view);
    }
    Rows<Depth>(sums, r, view);
}

template <typename Depth>
void ColumnsOn(Isa isa, const BoxBlurSums& sums, int32_t r, const ImageView<typename Depth::Pixel>& view)
{
    if constexpr (kWiderPays<Depth>) {
#ifdef PW_HAVE_LANES_AVX512
        if (isa >= Isa::Avx512Vbmi) return ColumnsAvx512<Depth>(sums, r, view);
#endif
        if (isa >= Isa::Avx2) return ColumnsAvx2<Depth>(sums, r, view);
    } else {
#ifdef PW_HAVE_LANES_AVX512
        if (isa >= Isa::Avx512Vbmi) return Columns<Depth, Isa::Avx512Vbmi>(sums, r, view);
#endif
        if (isa >= Isa::Avx2) return Columns<Depth, Isa::Avx2>(sums, r, view);
    }
    Columns<Depth>(sums, r, view);
}

}  // namespace

template <typename Pixel>
void BoxBlurRow(const BoxBlurSums& sums, int32_t line, const int32_t& radius, const ImageView<Pixel>& view)
{
    Row<DepthOf<Pixel>>(sums, line, radius, view);
}

template <typename Pixel>
void BoxBlurColumn(const BoxBlurSums& sums, int32_t line, const int32_t& radius, const ImageView<Pixel>& view)
{
    Column<DepthOf<Pixel>>(sums, line, radius, view);
}

template <typename Pixel>
void BoxBlurRows(const BoxBlurSums& sums, int32_t radius, const ImageView<Pixel>& view, Isa isa)
{
    RowsOn<DepthOf<Pixel>>(isa, sums, radius, view);
}

template <typename Pixel>
void BoxBlurColumns(const BoxBlurSums& sums, int32_t radius, const ImageView<Pixel>& view, Isa isa)
{
    ColumnsOn<DepthOf<Pixel>>(isa, sums, radius, view);
}

#define PW_BOX_BLUR_PASSES(Pixel)                                                                                      \
    template void BoxBlurRow(const BoxBlurSums&, int32_t, const int32_t&, const ImageView<Pixel>&);                  \
    template void BoxBlurColumn(const BoxBlurSums&, int32_t, const int32_t&, const ImageView<Pixel>&);               \
    template void BoxBlurRows(const BoxBlurSums&, int32_t, const ImageView<Pixel>&, Isa);                            \
    template void BoxBlurColumns(const BoxBlurSums&, int32_t, const ImageView<Pixel>&, Isa);
PW_BOX_BLUR_PASSES(PF_Pixel8)
PW_BOX_BLUR_PASSES(PF_Pixel16)
PW_BOX_BLUR_PASSES(PF_PixelFloat)
#undef PW_BOX_BLUR_PASSES

}  // namespace pw
