// The walk down a strip of columns through the positions whose windows lie inside the line, with 8-bit narrow sums
// (box_blur_arith.h, Arith8Narrow): the lead's sums and the total they close in one pass over the channels, in the
// widest lanes kLanes allows. Internal to the box blur passes (BlurRing); only where CpuHasAvx2().
#pragma once

#include <cstddef>
#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur_lanes8.h"
#include "kernels/box_blur_lanes8_wide.h"
#include "kernels/box_blur_prefix.h"
#include "kernels/cpu_features.h"
#include "kernels/lanes_avx512.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

// The positions of a strip of columns whose windows lie inside the line (BlurRing's, in its ring of sums), in one
// walk: at each, the lead's sums from the row r ahead and the total of the window they close.
struct NarrowRun {
    A_u_char* out;       // the first position's row
    ptrdiff_t step;      // channels from one row to the next
    uint16_t* S;         // the ring: `ring` slots of `lanes` sums
    int32_t ring;
    int32_t lanes;
    int32_t leadSlot;    // S[i + r - 1]
    int32_t loSlot;      // S[i - r - 1]
    int32_t count;       // positions
    int32_t prefetched;  // the first positions, whose rows kPrefetchRows further on exist, ask for those
    int32_t r;
};

template <typename Arith, typename Lanes>
inline __attribute__((always_inline)) void WalkNarrowRun(const Arith& arith, const NarrowRun& run, const Lanes& lanes)
{
    const NarrowRun a = run;  // a copy the channels' stores cannot alias
    const auto slot = [&](int32_t s) { return a.S + static_cast<ptrdiff_t>(s) * a.lanes; };
    const auto wrap = [&](int32_t s) { return s + 1 == a.ring ? 0 : s + 1; };
    int32_t leadSlot = a.leadSlot;
    int32_t loSlot = a.loSlot;
    A_u_char* out = a.out;
    const A_u_char* px = a.out + a.r * a.step;
    for (int32_t p = 0; p < a.count; ++p) {
        if (p < a.prefetched) {
            PrefetchSpan(px + kPrefetchRows * a.step, a.lanes);
        }
        const int32_t next = wrap(leadSlot);
        uint16_t* cur = slot(next);
        const uint16_t* prev = slot(leadSlot);
        const uint16_t* lo = slot(loSlot);
        for (int32_t k = lanes(out, cur, prev, px, lo, a.lanes, arith.mul); k < a.lanes; ++k) {
            cur[k] = static_cast<uint16_t>(prev[k] + px[k]);
            out[k] = arith.Store(static_cast<uint16_t>(cur[k] - lo[k]));
        }
        leadSlot = next;
        loSlot = wrap(loSlot);
        out += a.step;
        px += a.step;
    }
}

template <typename Arith>
PW_AVX2 void SlideNarrowRunAvx2(const Arith& arith, const NarrowRun& a)
{
    WalkNarrowRun(arith, a, SlideNarrowAvx2<Arith::kNarrowShift>);
}

#ifdef PW_HAVE_LANES_AVX512
template <typename Arith>
PW_AVX512 void SlideNarrowRunAvx512(const Arith& arith, const NarrowRun& a)
{
    WalkNarrowRun(arith, a,
                  [](A_u_char* out, uint16_t* cur, const uint16_t* prev, const A_u_char* px, const uint16_t* lo,
                     int32_t channels, uint16_t mul) PW_AVX512 {
                      const int32_t k = SlideNarrowAvx512<Arith::kNarrowShift>(out, cur, prev, px, lo, channels, mul);
                      return k + SlideNarrowAvx2<Arith::kNarrowShift>(out + k, cur + k, prev + k, px + k, lo + k,
                                                                      channels - k, mul);
                  });
}
#endif

template <Isa kLanes, typename Arith>
inline void SlideNarrow(const Arith& arith, const NarrowRun& a)
{
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) return SlideNarrowRunAvx512(arith, a);
#endif
    SlideNarrowRunAvx2(arith, a);
}

}  // namespace blur
}  // namespace pw

#endif
