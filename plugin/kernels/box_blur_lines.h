// The engine behind the box blur passes: a bundle of parallel lines (one row, or a strip of adjacent
// columns) blurred position by position from running sums, with the arithmetic of box_blur_arith.h.
// Internal to box_blur.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include <type_traits>

#include "kernels/box_blur_arith.h"
#include "kernels/box_blur_lanes16.h"
#include "kernels/box_blur_lanes16_wide.h"
#include "kernels/box_blur_lanes8.h"
#include "kernels/box_blur_lanes8_wide.h"
#include "kernels/box_blur_run.h"
#include "kernels/box_blur_lanes_float.h"

namespace pw {
namespace blur {

constexpr int32_t kMaxLanes = 512;  // 4 channels a line

// Lines that advance together: their channels at one position are adjacent (4 per line, alpha first).
template <typename Channel>
struct Lines {
    Channel* first;  // alpha of the first line at position 0
    ptrdiff_t step;  // channels from one position to the next
    int32_t lanes;   // 4 x the number of lines, at most kMaxLanes
    int32_t length;  // n, at least 1
};

// cur[j] = prev[j] + Load(px[j]) for every lane: one position's running sums from the previous position's.
template <typename Arith>
void Accumulate(const Arith&, typename Arith::Sum* cur, const typename Arith::Sum* prev,
                const typename Arith::Channel* px, int32_t lanes)
{
    if constexpr (Arith::kLanesAccumulate) {
        Arith::Accumulate(cur, prev, px, lanes);
    } else {
        for (int32_t j = 0; j < lanes; ++j) {
            cur[j] = prev[j] + Arith::Load(px[j]);
        }
    }
}

// Which terms make up the window total at position i (left: positions i - r .. i - 1; right: i .. i + r).
enum Left { kLeftAtStart, kLeftBeforeRadius, kLeftAtRadius, kLeftPastRadius };  // i = 0; 0 < i < r; i = r; i > r
enum Right { kRightInside, kRightPastEnd };                                      // i + r < n; i + r >= n

template <typename Arith>
struct SpanArgs {
    using Sum = typename Arith::Sum;
    const Sum* mid;    // S[i - 1]
    const Sum* lo;     // S[i - r - 1]
    const Sum* hi;     // S[i + r]
    const Sum* last;   // S[n - 1]
    const Sum* first;  // P[0]
    const Sum* end;    // P[n - 1]
    ptrdiff_t advance;  // sums from one position to the next
    typename Arith::Channel* out;
    ptrdiff_t outStep;
    int32_t lanes;
    int64_t beforeCount;  // r - i
    int64_t pastCount;    // i + r - n + 1
};

// Positions i .. i + count - 1 that share their cases. Each total is formed exactly as left part plus
// right part, in that order, so the float depth rounds as the definition does.
template <int L, int R, typename Arith>
void Span(const Arith arith, SpanArgs<Arith> a, int32_t count)
{
    using Total = typename Arith::Total;
    for (int32_t pos = 0; pos < count; ++pos) {
        for (int32_t j = 0; j < a.lanes; ++j) {
            Total left;
            if constexpr (L == kLeftAtStart) {
                left = static_cast<Total>(a.beforeCount) * static_cast<Total>(a.first[j]);
            } else if constexpr (L == kLeftBeforeRadius) {
                left = static_cast<Total>(a.beforeCount) * static_cast<Total>(a.first[j]) +
                       static_cast<Total>(a.mid[j]);
            } else if constexpr (L == kLeftAtRadius) {
                left = static_cast<Total>(a.mid[j]);
            } else {
                left = static_cast<Total>(a.mid[j]) - static_cast<Total>(a.lo[j]);
            }
            Total right;
            if constexpr (R == kRightInside && L == kLeftAtStart) {
                right = static_cast<Total>(a.hi[j]);
            } else if constexpr (R == kRightInside) {
                right = static_cast<Total>(a.hi[j]) - static_cast<Total>(a.mid[j]);
            } else if constexpr (L == kLeftAtStart) {
                right = static_cast<Total>(a.last[j]) +
                        static_cast<Total>(a.pastCount) * static_cast<Total>(a.end[j]);
            } else {
                right = (static_cast<Total>(a.last[j]) - static_cast<Total>(a.mid[j])) +
                        static_cast<Total>(a.pastCount) * static_cast<Total>(a.end[j]);
            }
            typename Arith::Channel v = arith.Store(left + right);
            if constexpr (Arith::kCapAlpha) {
                // Every fourth lane is an alpha; a select, not a branch, so that the lanes stay vector lanes.
                v = (j & 3) == 0 && v > 1.0f ? 1.0f : v;
            }
            a.out[j] = v;
        }
        if constexpr (L == kLeftBeforeRadius || L == kLeftAtRadius || L == kLeftPastRadius) {
            a.mid += a.advance;
        }
        if constexpr (L == kLeftPastRadius) {
            a.lo += a.advance;
        }
        if constexpr (R == kRightInside) {
            a.hi += a.advance;
        }
        a.out += a.outStep;
        --a.beforeCount;
        ++a.pastCount;
    }
}

template <typename Arith>
void DispatchSpan(const Arith& arith, const SpanArgs<Arith>& a, int32_t count, int64_t i, int64_t r, int64_t n)
{
    const bool past = i + r >= n;
    if (i == 0) {
        if (past) {
            Span<kLeftAtStart, kRightPastEnd>(arith, a, count);
        } else {
            Span<kLeftAtStart, kRightInside>(arith, a, count);
        }
    } else if (i < r) {
        if (past) {
            Span<kLeftBeforeRadius, kRightPastEnd>(arith, a, count);
        } else {
            Span<kLeftBeforeRadius, kRightInside>(arith, a, count);
        }
    } else if (i == r) {
        if (past) {
            Span<kLeftAtRadius, kRightPastEnd>(arith, a, count);
        } else {
            Span<kLeftAtRadius, kRightInside>(arith, a, count);
        }
    } else if (past) {
        Span<kLeftPastRadius, kRightPastEnd>(arith, a, count);
    } else if (a.outStep == a.lanes && a.advance == a.lanes) {
        // Contiguous interior (a row): one flat run over all its channels.
        SpanArgs<Arith> flat = a;
        flat.lanes = static_cast<int32_t>(count * a.lanes);
        Span<kLeftPastRadius, kRightInside>(arith, flat, 1);
    } else {
        Span<kLeftPastRadius, kRightInside>(arith, a, count);
    }
}

// The next position after i at which the cases change (1, r, r + 1, n - r), or n.
inline int64_t SpanEnd(int64_t i, int64_t r, int64_t n)
{
    int64_t end = n;
    for (const int64_t b : {int64_t{1}, r, r + 1, n - r}) {
        if (b > i && b < end) {
            end = b;
        }
    }
    return end;
}

template <typename Arith, typename = void>
struct IsNarrow8 {
    static constexpr bool value = false;
};
template <typename Arith>
struct IsNarrow8<Arith, std::enable_if_t<Arith::kNarrow>> {
    static constexpr bool value = true;
};

// kLanes: the widest hand-scheduled lanes allowed (never above BestIsa()), used where the arithmetic has them, each at
// 256 or 512 bits: 8-bit narrow sums (box_blur_lanes8.h), 16-bit 32-bit sums (box_blur_lanes16.h: the rows' sums,
// and for Arith16Short the strips' sums and the totals) and float (box_blur_lanes_float.h).
template <typename Arith, Isa kLanes>
struct LanesOf {
#ifdef PW_HAVE_LANES_AVX2
    static constexpr bool kNarrow8 = kLanes >= Isa::Avx2 && IsNarrow8<Arith>::value;
    static constexpr bool kRows16 = kLanes >= Isa::Avx2 && std::is_same_v<typename Arith::Channel, A_u_short> &&
                                    std::is_same_v<typename Arith::Sum, int32_t>;
    static constexpr bool kShort16 = kLanes >= Isa::Avx2 && std::is_same_v<Arith, Arith16Short>;
    static constexpr bool kFloat = kLanes >= Isa::Avx2 && std::is_same_v<Arith, ArithFloat>;
#else
    static constexpr bool kNarrow8 = false;
    static constexpr bool kRows16 = false;
    static constexpr bool kShort16 = false;
    static constexpr bool kFloat = false;
#endif
};

// A row's sums in hand-scheduled lanes, where there are some for its arithmetic: true if built.
template <typename Arith, Isa kLanes>
bool PrefixRowLanes(typename Arith::Sum* S, const typename Arith::Channel* px, int32_t n)
{
#ifdef PW_HAVE_LANES_AVX2
    if constexpr (LanesOf<Arith, kLanes>::kRows16) {
        PrefixRow16<kLanes>(S, px, n);
        return true;
    }
#endif
    (void)S, (void)px, (void)n;
    return false;
}

// Sums of the whole line kept (scratch of lanes x n): walk 1 builds them, walk 2 writes the averages.
template <typename Arith, Isa kLanes = Isa::Baseline>
void BlurWhole(const Arith& arith, const Lines<typename Arith::Channel>& lines, int32_t r, typename Arith::Sum* S)
{
    using Sum = typename Arith::Sum;
    const int32_t n = lines.length;
    const int32_t lanes = lines.lanes;
    const typename Arith::Channel* px = lines.first;
    constexpr bool kLanes8 = LanesOf<Arith, kLanes>::kNarrow8;
    constexpr bool kLanesShort = LanesOf<Arith, kLanes>::kShort16;
    constexpr bool kLanesFloat = LanesOf<Arith, kLanes>::kFloat;
    if constexpr (kLanes8) {
        PrefixRowNarrow<kLanes>(S, px, n);
    } else if (lanes == 4 && lines.step == 4 && (PrefixRowLanes<Arith, kLanes>(S, px, n) || PrefixRow(S, px, n))) {
        // A row: its sums built in lanes.
    } else if (lanes == 4 && !Arith::kLanesAccumulate) {
        // One line: the running sum stays in registers.
        Sum a0 = Arith::Load(px[0]), a1 = Arith::Load(px[1]), a2 = Arith::Load(px[2]), a3 = Arith::Load(px[3]);
        Sum* s = S;
        s[0] = a0, s[1] = a1, s[2] = a2, s[3] = a3;
        for (int32_t k = 1; k < n; ++k) {
            px += lines.step;
            s += 4;
            s[0] = a0 += Arith::Load(px[0]);
            s[1] = a1 += Arith::Load(px[1]);
            s[2] = a2 += Arith::Load(px[2]);
            s[3] = a3 += Arith::Load(px[3]);
        }
    } else {
        for (int32_t j = 0; j < lanes; ++j) {
            S[j] = Arith::Load(px[j]);
        }
        for (int32_t k = 1; k < n; ++k) {
            px += lines.step;
            Sum* cur = S + static_cast<ptrdiff_t>(k) * lanes;
            const Sum* prev = cur - lanes;
            Accumulate(arith, cur, prev, px, lanes);
        }
    }
    const Sum* last = S + static_cast<ptrdiff_t>(n - 1) * lanes;
    Sum end[kMaxLanes];
    for (int32_t j = 0; j < lanes; ++j) {
        end[j] = n >= 2 ? last[j] - last[j - lanes] : S[j];
    }
    for (int64_t i = 0; i < n;) {
        const int64_t spanEnd = SpanEnd(i, r, n);
#ifdef PW_HAVE_LANES_AVX2
        if constexpr (kLanes8) {
            constexpr int kShift = Arith::kNarrowShift;
            int32_t done = 0;
            if (i <= r && i + r < n) {
                const int64_t stop = r + 1 < n - r ? r + 1 : n - r;
                done = NarrowEdgeTotalsAvx2<kShift, false>(lines.first + 4 * i, S + 4 * (i + r), S, last,
                                                           static_cast<int32_t>(stop - i),
                                                           static_cast<int32_t>(r - i), arith.mul);
            } else if (i > r && i + r < n) {
                done = NarrowTotals<kLanes, kShift>(lines.first + 4 * i, S + 4 * (i + r), S + 4 * (i - r - 1),
                                                    static_cast<int32_t>(4 * (spanEnd - i)), arith.mul) / 4;
            } else if (i > r) {
                done = NarrowEdgeTotalsAvx2<kShift, true>(lines.first + 4 * i, S + 4 * (i - r - 1), end, last,
                                                          static_cast<int32_t>(n - i),
                                                          static_cast<int32_t>(i + r - n + 1), arith.mul);
            }
            if (done > 0) {
                i += done;
                continue;
            }
        }
        if constexpr (kLanesShort) {
            if (i > r && i + r < n && lines.step == 4) {
                i += ShortTotals<kLanes>(lines.first + 4 * i, S + 4 * (i + r), S + 4 * (i - r - 1),
                                         static_cast<int32_t>(4 * (spanEnd - i)), arith.inverse, arith.half) / 4;
                if (i == spanEnd) continue;
            }
        }
        if constexpr (kLanesFloat) {
            if (i > r && i + r < n && lines.step == 4) {
                i += FloatTotals<kLanes>(lines.first + 4 * i, S + 4 * (i + r), S + 4 * (i - 1), S + 4 * (i - r - 1),
                                     static_cast<int32_t>(4 * (spanEnd - i)), arith.window) / 4;
                if (i == spanEnd) continue;
            }
        }
#endif
        SpanArgs<Arith> a{};
        a.mid = i >= 1 ? S + (i - 1) * lanes : nullptr;
        a.lo = i > r ? S + (i - r - 1) * lanes : nullptr;
        a.hi = i + r < n ? S + (i + r) * lanes : nullptr;
        a.last = last;
        a.first = S;
        a.end = end;
        a.advance = lanes;
        a.out = lines.first + i * lines.step;
        a.outStep = lines.step;
        a.lanes = lanes;
        a.beforeCount = r - i;
        a.pastCount = i + r - n + 1;
        DispatchSpan(arith, a, static_cast<int32_t>(spanEnd - i), i, r, n);
        i = spanEnd;
    }
}

// Sums kept only for the window's reach (a ring of 2r + 2 positions, lanes x ring in scratch): the
// leading sum runs r positions ahead of the position written, so a strip of columns walks down once.
template <typename Arith, Isa kLanes = Isa::Baseline>
void BlurRing(const Arith& arith, const Lines<typename Arith::Channel>& lines, int32_t r, int32_t ring,
              typename Arith::Sum* S)
{
    constexpr bool kLanes8 = LanesOf<Arith, kLanes>::kNarrow8;
    constexpr bool kLanesShort = LanesOf<Arith, kLanes>::kShort16;
    constexpr bool kLanesFloat = LanesOf<Arith, kLanes>::kFloat;
    using Sum = typename Arith::Sum;
    const int32_t n = lines.length;
    const int32_t lanes = lines.lanes;
    Sum first[kMaxLanes];
    Sum end[kMaxLanes];
    const auto slot = [&](int32_t s) { return S + static_cast<ptrdiff_t>(s) * lanes; };
    const auto wrap = [&](int32_t s) { return s + 1 == ring ? 0 : s + 1; };
    for (int32_t j = 0; j < lanes; ++j) {
        first[j] = S[j] = Arith::Load(lines.first[j]);
    }
    int32_t lead = 0;
    int32_t leadSlot = 0;
    int32_t midSlot = 0;
    int32_t loSlot = 0;
    const Sum* last = nullptr;
    const ptrdiff_t lineBytes = static_cast<ptrdiff_t>(lanes) * static_cast<ptrdiff_t>(sizeof(typename Arith::Channel));
    for (int32_t i = 0; i < n; ++i) {
#ifdef PW_HAVE_LANES_AVX2
        if constexpr (kLanes8 || kLanesShort) {
            if (i > r && static_cast<int64_t>(i) + r < n) {
                // Every position inside the line in one walk: the lead moves one position a step.
                const int32_t count = n - r - i;
                const int32_t ahead = n - kPrefetchRows - (i + r);
                SlideRun<kLanes>(arith, StripRun<Arith>{lines.first + static_cast<ptrdiff_t>(i) * lines.step, lines.step,
                                                        S, ring, lanes, leadSlot, loSlot, count,
                                                        ahead < 0 ? 0 : ahead < count ? ahead : count, r});
                const auto skip = [&](int32_t s) { return static_cast<int32_t>((int64_t{s} + count) % ring); };
                lead += count;
                leadSlot = skip(leadSlot);
                midSlot = skip(midSlot);
                loSlot = skip(loSlot);
                i += count - 1;
                continue;
            }
        }
#endif
        const int32_t target = static_cast<int64_t>(i) + r < n ? i + r : n - 1;
        while (lead < target) {
            const int32_t next = wrap(leadSlot);
            const Sum* prev = slot(leadSlot);
            Sum* cur = slot(next);
            const typename Arith::Channel* px = lines.first + static_cast<ptrdiff_t>(lead + 1) * lines.step;
            // Consecutive positions lie a row apart, beyond the hardware prefetcher's reach: ask ahead.
            if (lead + 1 + kPrefetchRows < n) {
                PrefetchSpan(px + kPrefetchRows * lines.step, lineBytes);
            }
#ifdef PW_HAVE_LANES_AVX2
            if constexpr (kLanes8) {
                AccumulateNarrow<kLanes>(cur, prev, px, lanes);
            } else if constexpr (kLanesShort) {
                const int32_t done = AccumulateShort<kLanes>(cur, prev, px, lanes);
                Accumulate(arith, cur + done, prev + done, px + done, lanes - done);
            } else if constexpr (kLanesFloat) {
                const int32_t done = AccumulateFloat<kLanes>(cur, prev, px, lanes);
                Accumulate(arith, cur + done, prev + done, px + done, lanes - done);
            } else
#endif
                Accumulate(arith, cur, prev, px, lanes);
            ++lead;
            leadSlot = next;
        }
        if (lead == n - 1 && last == nullptr) {
            last = slot(leadSlot);
            const Sum* beforeLast = slot(leadSlot == 0 ? ring - 1 : leadSlot - 1);
            for (int32_t j = 0; j < lanes; ++j) {
                end[j] = n >= 2 ? last[j] - beforeLast[j] : last[j];
            }
        }
        SpanArgs<Arith> a{};
        a.mid = i >= 1 ? slot(midSlot) : nullptr;
        a.lo = i > r ? slot(loSlot) : nullptr;
        a.hi = static_cast<int64_t>(i) + r < n ? slot(leadSlot) : nullptr;
        a.last = last;
        a.first = first;
        a.end = end;
        a.advance = 0;
        a.out = lines.first + static_cast<ptrdiff_t>(i) * lines.step;
        a.outStep = 0;
        a.lanes = lanes;
        a.beforeCount = static_cast<int64_t>(r) - i;
        a.pastCount = static_cast<int64_t>(i) + r - n + 1;
#ifdef PW_HAVE_LANES_AVX2
        if constexpr (kLanesFloat) {
            if (i > r && static_cast<int64_t>(i) + r < n) {
                const int32_t done = FloatTotals<kLanes>(a.out, a.hi, a.mid, a.lo, lanes, arith.window);
                a.out += done, a.mid += done, a.lo += done, a.hi += done, a.lanes -= done;
            }
        }
#endif
        if (a.lanes > 0) DispatchSpan(arith, a, 1, i, r, n);
        midSlot = i == 0 ? 0 : wrap(midSlot);
        loSlot = i == r ? 0 : i > r ? wrap(loSlot) : loSlot;
    }
}

}  // namespace blur
}  // namespace pw
