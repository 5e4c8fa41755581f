// The walk down a strip of columns through the positions whose windows lie inside the line, for the sums that have
// lanes for it (box_blur_arith.h: 8-bit Arith8Narrow, 16-bit Arith16Short): the lead's sums and the total they close
// in one pass over the channels, in the widest lanes kLanes allows. Internal to the box blur passes (BlurRing); only
// where CpuHasAvx2().
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "ae_basic.h"
#include "kernels/box_blur_arith.h"
#include "kernels/box_blur_lanes16_wide.h"
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
template <typename Arith>
struct StripRun {
    typename Arith::Channel* out;  // the first position's row
    ptrdiff_t step;                // channels from one row to the next
    typename Arith::Sum* S;        // the ring: `ring` slots of `lanes` sums
    int32_t ring;
    int32_t lanes;
    int32_t leadSlot;    // S[i + r - 1]
    int32_t loSlot;      // S[i - r - 1]
    int32_t count;       // positions
    int32_t prefetched;  // the first positions, whose rows kPrefetchRows further on exist, ask for those
    int32_t r;
};

template <typename Arith, typename Lanes>
inline __attribute__((always_inline)) void WalkStripRun(const Arith& arith, const StripRun<Arith>& run,
                                                        const Lanes& lanes)
{
    using Sum = typename Arith::Sum;
    using Channel = typename Arith::Channel;
    const StripRun<Arith> a = run;  // a copy the channels' stores cannot alias
    const auto slot = [&](int32_t s) { return a.S + static_cast<ptrdiff_t>(s) * a.lanes; };
    const auto wrap = [&](int32_t s) { return s + 1 == a.ring ? 0 : s + 1; };
    const ptrdiff_t lineBytes = static_cast<ptrdiff_t>(a.lanes) * static_cast<ptrdiff_t>(sizeof(Channel));
    int32_t leadSlot = a.leadSlot;
    int32_t loSlot = a.loSlot;
    Channel* out = a.out;
    const Channel* px = a.out + a.r * a.step;
    for (int32_t p = 0; p < a.count; ++p) {
        if (p < a.prefetched) {
            PrefetchSpan(px + kPrefetchRows * a.step, lineBytes);
        }
        const int32_t next = wrap(leadSlot);
        Sum* cur = slot(next);
        const Sum* prev = slot(leadSlot);
        const Sum* lo = slot(loSlot);
        for (int32_t k = lanes(out, cur, prev, px, lo, a.lanes); k < a.lanes; ++k) {
            cur[k] = static_cast<Sum>(prev[k] + Arith::Load(px[k]));
            out[k] = arith.Store(static_cast<Sum>(cur[k] - lo[k]));
        }
        leadSlot = next;
        loSlot = wrap(loSlot);
        out += a.step;
        px += a.step;
    }
}

template <typename Arith>
PW_AVX2 void SlideRunAvx2(const Arith& arith, const StripRun<Arith>& a)
{
    if constexpr (std::is_same_v<Arith, Arith16Short>) {
        WalkStripRun(arith, a,
                     [&](A_u_short* out, int32_t* cur, const int32_t* prev, const A_u_short* px, const int32_t* lo,
                         int32_t channels) PW_AVX2 {
                         return SlideShortAvx2(out, cur, prev, px, lo, channels, arith.inverse, arith.half);
                     });
    } else {
        WalkStripRun(arith, a,
                     [&](A_u_char* out, uint16_t* cur, const uint16_t* prev, const A_u_char* px, const uint16_t* lo,
                         int32_t channels) PW_AVX2 {
                         return SlideNarrowAvx2<Arith::kNarrowShift>(out, cur, prev, px, lo, channels, arith.mul);
                     });
    }
}

#ifdef PW_HAVE_LANES_AVX512
template <typename Arith>
PW_AVX512 void SlideRunAvx512(const Arith& arith, const StripRun<Arith>& a)
{
    if constexpr (std::is_same_v<Arith, Arith16Short>) {
        WalkStripRun(arith, a,
                     [&](A_u_short* out, int32_t* cur, const int32_t* prev, const A_u_short* px, const int32_t* lo,
                         int32_t channels) PW_AVX512 {
                         const int32_t k =
                             SlideShortAvx512(out, cur, prev, px, lo, channels, arith.inverse, arith.half);
                         return k + SlideShortAvx2(out + k, cur + k, prev + k, px + k, lo + k, channels - k,
                                                   arith.inverse, arith.half);
                     });
    } else {
        WalkStripRun(arith, a,
                     [&](A_u_char* out, uint16_t* cur, const uint16_t* prev, const A_u_char* px, const uint16_t* lo,
                         int32_t channels) PW_AVX512 {
                         const int32_t k =
                             SlideNarrowAvx512<Arith::kNarrowShift>(out, cur, prev, px, lo, channels, arith.mul);
                         return k + SlideNarrowAvx2<Arith::kNarrowShift>(out + k, cur + k, prev + k, px + k, lo + k,
                                                                         channels - k, arith.mul);
                     });
    }
}
#endif

template <Isa kLanes, typename Arith>
inline void SlideRun(const Arith& arith, const StripRun<Arith>& a)
{
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) return SlideRunAvx512(arith, a);
#endif
    SlideRunAvx2(arith, a);
}

}  // namespace blur
}  // namespace pw

#endif
