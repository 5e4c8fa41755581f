// The Color treatment's 16-bit blend as table lookups. With the tint fixed, a pixel with no alpha takes the tint
// whatever its channels, and a channel of a pixel whose alpha is a (1..32768) and whose channels are at most 32768
// depends on a and that channel alone: the weights and the result alpha come of the two alphas, the rule of the two
// channels. So one row holding every value 0..32768 at alpha a, blended directly, is a's table. Groups of four pixels
// sharing an alpha that has a table are looked up; the rest blend directly.
//
// The opaque alpha, what most footage holds, has its table from the start. Any other alpha is given the second table
// once its pixels have cost as many direct blends as building it does (ski rental); each time that table is taken
// from an alpha before it has served as many pixels, the price doubles, so that a frame of many scattered alphas
// stops building and blends directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include <emmintrin.h>

#include "ae_basic.h"
#include "kernels/image_view.h"
#include "kernels/pixel_depth.h"
#include "kernels/tint_line16.h"

namespace pw {
namespace tint16 {

constexpr int32_t kWhite = Depth16::kWhite;
constexpr int32_t kValues = kWhite + 1;
constexpr int64_t kFramePays = 8 * int64_t{kValues};  // pixels
constexpr uint32_t kMaxRent = 1u << 24;

// The alpha the four pixels from px share where a table may serve them: 0 (whatever the channels), or 1..32768 with
// every channel at most 32768 (saturating 32768 off a word leaves 0 exactly there); -1 otherwise.
inline int32_t SharedAlpha(const PF_Pixel16* px)
{
    static_assert(offsetof(PF_Pixel16, alpha) == 0 && sizeof(PF_Pixel16) == 8, "alpha is a pixel's first word");
    const int32_t alpha = px[0].alpha;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 2));
    const auto key = static_cast<short>(alpha);
    const __m128i alphas = _mm_set_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    __m128i off = _mm_and_si128(_mm_or_si128(_mm_xor_si128(a, _mm_set_epi16(0, 0, 0, key, 0, 0, 0, key)),
                                             _mm_xor_si128(b, _mm_set_epi16(0, 0, 0, key, 0, 0, 0, key))),
                                alphas);
    if (alpha != 0) {
        const __m128i white = _mm_set1_epi16(static_cast<short>(kWhite));
        off = _mm_or_si128(off, _mm_or_si128(_mm_subs_epu16(a, white), _mm_subs_epu16(b, white)));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(off, _mm_setzero_si128())) == 0xFFFF ? alpha : -1;
}

struct Table {
    std::unique_ptr<A_u_short[]> channels;  // red, green, blue: kValues each
    int32_t key = -1;                       // the bottom alpha it serves
    A_u_short alpha = 0;                    // the result alpha
    uint32_t served = 0;

    // `direct` blends a row of pixels as the definition does; `row` is kValues pixels of scratch.
    template <typename Direct>
    void Build(int32_t bottomAlpha, PF_Pixel16* row, const Direct& direct)
    {
        for (int32_t v = 0; v < kValues; ++v) {
            const auto value = static_cast<A_u_short>(v);
            row[v] = {static_cast<A_u_short>(bottomAlpha), value, value, value};
        }
        direct(ImageView<PF_Pixel16>{row, kValues, 1, kValues});
        for (int c = 0; c < 3; ++c) {
            A_u_short* out = channels.get() + c * kValues;
            for (int32_t v = 0; v < kValues; ++v) out[v] = (&row[v].red)[c];
        }
        key = bottomAlpha;
        alpha = row[0].alpha;
        served = 0;
    }

    void LookUp(PF_Pixel16* px) const
    {
        const A_u_short* red = channels.get();
        const A_u_short* green = red + kValues;
        const A_u_short* blue = green + kValues;
        for (int k = 0; k < 4; ++k) {
            PF_Pixel16& p = px[k];
            p = {alpha, red[p.red], green[p.green], blue[p.blue]};
        }
    }
};

// The whole frame through the tables, or false (nothing written) where the frame is too small to pay for them or
// their memory cannot be had. `line(tables, alpha, fitted)` may fit a TintLine16 to the opaque tables (true: runs of
// opaque pixels take LineRun16 instead of the lookups).
template <typename Direct, typename Line>
bool BlendByTables(const ImageView<PF_Pixel16>& image, const Direct& direct, const Line& line)
{
    if (static_cast<int64_t>(image.width) * image.height < kFramePays) return false;
    Table opaque, rented;
    const std::unique_ptr<PF_Pixel16[]> row(new (std::nothrow) PF_Pixel16[kValues]);
    opaque.channels.reset(new (std::nothrow) A_u_short[3 * kValues]);
    rented.channels.reset(new (std::nothrow) A_u_short[3 * kValues]);
    const std::unique_ptr<uint32_t[]> misses(new (std::nothrow) uint32_t[kValues]());  // direct blends per alpha
    if (!row || !opaque.channels || !rented.channels || !misses) return false;
    opaque.Build(kWhite, row.get(), direct);
    TintLine16 fitted;
    const bool lined = line(opaque.channels.get(), opaque.alpha, fitted);
    PF_Pixel16 bare{0, 0, 0, 0};
    direct(ImageView<PF_Pixel16>{&bare, 1, 1, 1});
    uint32_t rent = kValues;
    for (int32_t y = 0; y < image.height; ++y) {
        PF_Pixel16* px = image.Row(y);
        int32_t x = 0, pending = 0;  // [pending, x) waits for the direct blend
        const auto flush = [&] {
            if (x > pending) direct(ImageView<PF_Pixel16>{px + pending, x - pending, 1, image.stride});
        };
        for (; x + 4 <= image.width; x += 4) {
            const int32_t alpha = SharedAlpha(px + x);
            if (alpha < 0) continue;
            if (alpha == kWhite && lined) {
                const int32_t run = LineRun16(px + x, image.width - x, fitted);
                if (run > 0) {
                    flush();
                    pending = x + run;
                    x += run - 4;
                    continue;
                }
            }
            Table* table = alpha == kWhite ? &opaque : alpha == rented.key ? &rented : nullptr;
            if (alpha > 0 && !table && (misses[alpha] += 4) >= rent) {
                if (rented.key >= 0 && rented.served < kValues && rent < kMaxRent) rent *= 2;
                misses[alpha] = 0;
                rented.Build(alpha, row.get(), direct);
                table = &rented;
            }
            if (alpha != 0 && !table) continue;
            flush();
            pending = x + 4;
            if (alpha == 0) {
                for (int k = 0; k < 4; ++k) px[x + k] = bare;
            } else {
                table->LookUp(px + x);
                table->served += 4;
            }
        }
        x = image.width;
        flush();
    }
    return true;
}

}  // namespace tint16
}  // namespace pw
