// One output row of RGB Separation: three colour copies of a source row, each landing shifted (wrapping round
// the row), gathered per column and resolved. SeparateRow is the definition in every depth; SeparateRowLanes is
// it scheduled in AVX2 lanes (8-bit and float also in AVX-512 lanes), equal to it bit for bit, for processors that
// have them.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/exact_division.h"
#include "kernels/pixel_depth.h"

namespace pw {

// Source column x lands in column (first + x) mod width (0 <= first < width), weighted by `colour`.
struct SeparationCopy {
    int32_t first;
    PF_Pixel8 colour;
};

// What one column gathers: the strongest alpha and the alpha- and colour-weighted channels.
template <typename D>
struct SeparationEntry {
    typename D::Sum alpha, red, green, blue;
};

namespace separation {

template <typename D>
typename D::Sum Weighted(typename D::Channel channel, typename D::Channel alpha, A_u_char colour)
{
    using Sum = typename D::Sum;
    return static_cast<Sum>(channel) * static_cast<Sum>(alpha) * static_cast<Sum>(colour);
}

template <typename D>
typename D::Channel Resolve(typename D::Sum sum, typename D::Sum alpha, const DivideBy255Alpha& divide)
{
    if constexpr (std::is_same_v<D, Depth8>) {
        // sum / alpha / 255, kept to the channel's eight bits.
        return static_cast<A_u_char>(divide(static_cast<uint32_t>(sum), static_cast<uint32_t>(alpha)));
    } else if constexpr (std::is_same_v<D, Depth16>) {
        const double q = sum / alpha / 255;
        return static_cast<A_u_short>(q > 32768 ? 32768 : q);
    } else {
        return static_cast<float>(sum / alpha / 255);
    }
}

// Adds one copy to the line; the first copy sets the entries, the same values as adding it to cleared ones.
template <typename D, bool First>
void Gather(SeparationEntry<D>* line, const typename D::Pixel* row, int32_t width, const SeparationCopy& copy)
{
    using Sum = typename D::Sum;
    auto run = [&](SeparationEntry<D>* out, const typename D::Pixel* in, int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            const typename D::Pixel p = in[i];
            SeparationEntry<D>& e = out[i];
            const auto alpha = static_cast<Sum>(p.alpha);
            if constexpr (First) {
                e.alpha = alpha > 0 ? alpha : Sum(0);
                e.red = Sum(0) + Weighted<D>(p.red, p.alpha, copy.colour.red);
                e.green = Sum(0) + Weighted<D>(p.green, p.alpha, copy.colour.green);
                e.blue = Sum(0) + Weighted<D>(p.blue, p.alpha, copy.colour.blue);
            } else {
                if (alpha > e.alpha) e.alpha = alpha;
                e.red += Weighted<D>(p.red, p.alpha, copy.colour.red);
                e.green += Weighted<D>(p.green, p.alpha, copy.colour.green);
                e.blue += Weighted<D>(p.blue, p.alpha, copy.colour.blue);
            }
        }
    };
    run(line + copy.first, row, width - copy.first);
    run(line, row + (width - copy.first), copy.first);
}

// One column of the definition, the copies given as the three source pixels landing there: the same sums in the
// same order as Gather forms them.
template <typename D>
typename D::Pixel Column(const typename D::Pixel* const (&px)[3], const SeparationCopy (&copies)[3],
                         const DivideBy255Alpha& divide)
{
    using Sum = typename D::Sum;
    Sum alpha = 0, red = 0, green = 0, blue = 0;
    for (int k = 0; k < 3; ++k) {
        const typename D::Pixel p = *px[k];
        if (static_cast<Sum>(p.alpha) > alpha) alpha = static_cast<Sum>(p.alpha);
        red += Weighted<D>(p.red, p.alpha, copies[k].colour.red);
        green += Weighted<D>(p.green, p.alpha, copies[k].colour.green);
        blue += Weighted<D>(p.blue, p.alpha, copies[k].colour.blue);
    }
    if (alpha == 0) return typename D::Pixel{};
    return {static_cast<typename D::Channel>(alpha), Resolve<D>(red, alpha, divide), Resolve<D>(green, alpha, divide),
            Resolve<D>(blue, alpha, divide)};
}

}  // namespace separation

// `line` holds width entries; src may be dst (every copy is gathered before the row is written).
template <typename D>
void SeparateRow(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width,
                 const SeparationCopy (&copies)[3], SeparationEntry<D>* line, const DivideBy255Alpha& divide)
{
    using Pixel = typename D::Pixel;
    separation::Gather<D, true>(line, src, width, copies[0]);
    separation::Gather<D, false>(line, src, width, copies[1]);
    separation::Gather<D, false>(line, src, width, copies[2]);
    for (int32_t c = 0; c < width; ++c) {
        const SeparationEntry<D>& e = line[c];
        // Columns no copy covers stay transparent black.
        if (e.alpha == 0) {
            dst[c] = Pixel{};
            continue;
        }
        dst[c].alpha = static_cast<typename D::Channel>(e.alpha);
        dst[c].red = separation::Resolve<D>(e.red, e.alpha, divide);
        dst[c].green = separation::Resolve<D>(e.green, e.alpha, divide);
        dst[c].blue = separation::Resolve<D>(e.blue, e.alpha, divide);
    }
}

// The row in the widest lanes isa allows, in every depth; src must not be dst. Only where isa >= Isa::Avx2 and
// BestIsa() >= isa.
template <typename D>
void SeparateRowLanes(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width,
                      const SeparationCopy (&copies)[3], Isa isa, const DivideBy255Alpha& divide);

namespace separation {
// The 16-bit and float rows behind SeparateRowLanes (separation_deep.cpp).
template <typename D>
void DeepRowLanes(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width,
                  const SeparationCopy (&copies)[3], Isa isa, const DivideBy255Alpha& divide);
}  // namespace separation

// Its 8-bit division: q[i] = n[i] / (255 alpha[i]) (alpha 0 divides by 255), 0 <= n[i] < 2^26, in the lanes isa
// allows. Only where isa >= Isa::Avx2 and BestIsa() >= isa.
void DivideBy255AlphaLanes(const int32_t* n, const int32_t* alpha, int32_t* q, int32_t count, Isa isa);

// A row's columns fall into at most four segments between the copies' wrap points; within one, every copy reads
// its source contiguously: column c of [begin, end) takes base[k][c]. Returns how many segments there are.
template <typename Pixel>
struct SeparationSegment {
    int32_t begin, end;
    const Pixel* base[3];
};

template <typename Pixel>
int SegmentsOf(const Pixel* src, int32_t width, const SeparationCopy (&copies)[3], SeparationSegment<Pixel> (&out)[4])
{
    int32_t cuts[5] = {0, copies[0].first, copies[1].first, copies[2].first, width};
    for (int i = 1; i < 5; ++i)
        for (int j = i; j > 0 && cuts[j - 1] > cuts[j]; --j) std::swap(cuts[j - 1], cuts[j]);
    int count = 0;
    for (int s = 0; s < 4; ++s) {
        SeparationSegment<Pixel>& seg = out[count];
        seg.begin = cuts[s];
        seg.end = cuts[s + 1];
        if (seg.begin >= seg.end) continue;
        for (int k = 0; k < 3; ++k) {
            const int32_t from = seg.begin - copies[k].first;
            seg.base[k] = src + (from < 0 ? from + width : from) - seg.begin;
        }
        ++count;
    }
    return count;
}

}  // namespace pw
