#include "kernels/blend_frame.h"

#include <cstring>
#include <type_traits>

#include "kernels/blend_rules.h"
#include "kernels/composite.h"
#include "kernels/composite_lanes.h"
#include "kernels/tint_lookup8.h"
#include "kernels/tint_table16.h"

namespace pw {
namespace {

template <typename Pixel, typename Blend>
void EachPixel(const ImageView<Pixel>& image, const Blend& blend)
{
    for (int32_t y = 0; y < image.height; ++y) {
        Pixel* px = image.Row(y);
        for (int32_t x = 0; x < image.width; ++x) {
            px[x] = blend(px[x]);
        }
    }
}

// 8-bit frames. With the tint Q fixed, the composite's weights and result alpha depend on the bottom's
// alpha alone and the rule's value on the bottom channel alone: both are tabulated once per frame (256
// entries each), and the division by the result alpha is the exact multiplication by its reciprocal
// (CompositeMath<Depth8>::ChannelByReciprocal). Normal takes the same form with no overlap weight and
// its two weights scaled by 256.
enum class Kind : uint8_t { kTop, kBottom, kBlend };

struct Weights8 {
    int32_t both, top, bottom;
    uint32_t reciprocal;  // ceil(2^24 / alpha)
    Pixel8Word alpha;
    Kind kind;
};

struct Tables8 {
    Weights8 weights[256];
    int32_t rule[3][256];  // M(p, q) of red, green, blue against the tint's channel
    Pixel8Word top;
};

template <typename Rule>
void Tabulate(Tables8& t, const PF_Pixel8& tint, const Rule& rule)
{
    constexpr bool kNormal = std::is_same_v<Rule, NormalRule>;
    const int32_t aQ = tint.alpha;
    const int32_t q[3] = {tint.red, tint.green, tint.blue};
    t.top = WordFromPixel(tint);
    for (int32_t aP = 0; aP < 256; ++aP) {
        Weights8& w = t.weights[aP];
        w = {};
        if (aP == 0 || (kNormal && aQ == 255)) {
            w.kind = Kind::kTop;
            continue;
        }
        if (aQ == 0) {
            w.kind = Kind::kBottom;
            continue;
        }
        int32_t alpha;
        if constexpr (kNormal) {
            const NormalWeights n = NormalWeightsOf<Depth8>(aP, aQ);
            w.top = aQ << 8;
            w.bottom = n.bottom << 8;
            alpha = n.alpha;
        } else {
            CompositeMath<Depth8>::Weights cw;
            CompositeMath<Depth8>::Form(aP, aQ, cw);
            w.both = cw.both;
            w.top = cw.top;
            w.bottom = cw.bottom;
            alpha = cw.alpha;
        }
        w.kind = Kind::kBlend;
        w.alpha = static_cast<Pixel8Word>(alpha);
        w.reciprocal = CompositeMath<Depth8>::Reciprocal(alpha);
    }
    for (int c = 0; c < 3; ++c) {
        for (int32_t p = 0; p < 256; ++p) {
            if constexpr (kNormal) {
                t.rule[c][p] = 0;
            } else {
                t.rule[c][p] = static_cast<int32_t>(rule(Depth8{}, p, q[c]));
            }
        }
    }
}

inline Pixel8Word Blend(const Tables8& t, Pixel8Word P)
{
    const Weights8& w = t.weights[P & 0xFFu];
    if (w.kind != Kind::kBlend) {
        return w.kind == Kind::kTop ? t.top : P;
    }
    const CompositeMath<Depth8>::Weights cw{w.both, w.top, w.bottom, static_cast<int32_t>(w.alpha)};
    Pixel8Word out = w.alpha;
    for (int c = 0; c < 3; ++c) {
        const int32_t p = static_cast<int32_t>(P >> (8 * c + 8) & 0xFFu);
        const int32_t q = static_cast<int32_t>(t.top >> (8 * c + 8) & 0xFFu);
        out |= static_cast<Pixel8Word>(CompositeMath<Depth8>::ChannelByReciprocal(t.rule[c][p], p, q, cw, w.reciprocal))
               << (8 * c + 8);
    }
    return out;
}

// On top of that, one row of three 256-entry word tables per bottom alpha makes a pixel three lookups
// ORed. A row is built for an alpha once that alpha has cost as many direct blends as building does
// (ski rental); each time a row is evicted before it has served that many pixels, the threshold
// doubles, so that a frame of scattered alphas stops building rows and runs the direct blend, while a
// frame of few alphas runs on lookups.
struct AlphaRow {
    Pixel8Word red[256];  // with the result alpha in its low byte
    Pixel8Word green[256];
    Pixel8Word blue[256];
};

constexpr int kRowSlots = 4;
constexpr uint32_t kRowCost = 256;
constexpr uint32_t kMaxRowCost = 1u << 24;

inline Pixel8Word Load(const PF_Pixel8* p)
{
    Pixel8Word w;
    std::memcpy(&w, p, sizeof w);  // the words' channel order is the memory order
    return w;
}

inline void Store(PF_Pixel8* p, Pixel8Word w) { std::memcpy(p, &w, sizeof w); }

inline Pixel8Word Lookup(const AlphaRow& row, Pixel8Word w)
{
    return row.red[w >> 8 & 0xFF] | row.green[w >> 16 & 0xFF] | row.blue[w >> 24];
}

void BuildRow(AlphaRow& row, uint32_t alpha, const Tables8& t)
{
    for (uint32_t v = 0; v < 256; ++v) {
        const Pixel8Word out = Blend(t, alpha | v << 8 | v << 16 | v << 24);
        row.red[v] = out & 0xFFFFu;
        row.green[v] = out & 0xFF0000u;
        row.blue[v] = out & 0xFF000000u;
    }
}

void BlendRows8(const ImageView<PF_Pixel8>& image, const Tables8& t)
{
    static_assert(sizeof(PF_Pixel8) == sizeof(Pixel8Word), "a pixel is one word");
    AlphaRow rows[kRowSlots];
    uint32_t keys[kRowSlots];
    uint32_t served[kRowSlots] = {};
    for (uint32_t& k : keys) {
        k = 0x100;  // no alpha
    }
    uint32_t misses[256] = {};
    uint32_t rowCost = kRowCost;
    uint32_t currentKey = 0x100;
    uint32_t currentSlot = 0;
    uint32_t currentServed = 0;
    for (int32_t y = 0; y < image.height; ++y) {
        PF_Pixel8* px = image.Row(y);
        int32_t x = 0;
        while (x < image.width) {
            // Runs of eight pixels of the current alpha: lookups only, the alphas checked two pixels a word.
            const uint64_t keyPair = static_cast<uint64_t>(currentKey) * 0x0000000100000001ull;
            const AlphaRow& row = rows[currentSlot];
            while (currentKey <= 0xFFu && x + 8 <= image.width) {
                uint64_t q[4];
#if defined(__GNUC__)
                __builtin_prefetch(px + x + 256);
#endif
                std::memcpy(q, px + x, sizeof q);
                if (((q[0] ^ keyPair) | (q[1] ^ keyPair) | (q[2] ^ keyPair) | (q[3] ^ keyPair)) &
                    0x000000FF000000FFull) {
                    break;
                }
                const A_u_char* c = &px[x].red;
                for (int k = 0; k < 8; ++k) {
                    Store(px + x + k, row.red[c[4 * k]] | row.green[c[4 * k + 1]] | row.blue[c[4 * k + 2]]);
                }
                x += 8;
                currentServed += 8;
            }
            if (x == image.width) {
                break;
            }
            const Pixel8Word w = Load(px + x);
            const uint32_t alpha = w & 0xFFu;
            if (alpha != currentKey) {
                const uint32_t slot = alpha & (kRowSlots - 1);
                if (keys[slot] != alpha) {
                    if (++misses[alpha] < rowCost) {
                        Store(px + x, Blend(t, w));
                        ++x;
                        continue;
                    }
                    served[currentSlot] += currentServed;
                    currentServed = 0;
                    if (keys[slot] <= 0xFFu && served[slot] < kRowCost && rowCost < kMaxRowCost) {
                        rowCost *= 2;  // the row being evicted never paid for itself
                    }
                    misses[alpha] = 0;
                    BuildRow(rows[slot], alpha, t);
                    keys[slot] = alpha;
                    served[slot] = 0;
                } else {
                    served[currentSlot] += currentServed;
                    currentServed = 0;
                }
                currentKey = alpha;
                currentSlot = slot;
            }
            Store(px + x, Lookup(rows[currentSlot], w));
            ++x;
            ++currentServed;
        }
    }
}

// Opaque runs through lookups (tint_lookup8) in the opaque alpha's row, what stops them through the AVX-512 lanes:
// sixteen pixels, twice as many each time the lookups stop again at once (up to 1024), so that a stretch of other
// alphas costs few calls.
template <typename Rule>
void BlendRows8Looked(const ImageView<PF_Pixel8>& image, const Tables8& tables, const PF_Pixel8& tint, const Rule& rule)
{
    TintTables8 tables8;
    {
        AlphaRow opaque;
        BuildRow(opaque, 0xFF, tables);
        tables8.opaqueAlpha = static_cast<uint8_t>(opaque.red[0]);
        for (int32_t v = 0; v < 256; ++v) {
            tables8.opaque[0][v] = static_cast<uint8_t>(opaque.red[v] >> 8);
            tables8.opaque[1][v] = static_cast<uint8_t>(opaque.green[v] >> 16);
            tables8.opaque[2][v] = static_cast<uint8_t>(opaque.blue[v] >> 24);
        }
    }
    int32_t span = 16;
    for (int32_t y = 0; y < image.height; ++y) {
        PF_Pixel8* px = image.Row(y);
        for (int32_t x = 0; x < image.width;) {
            const int32_t looked = LookupTintRun8(px + x, image.width - x, tables8);
            x += looked;
            span = looked > 0 ? 16 : span < 1024 ? 2 * span : span;
            const int32_t other = image.width - x < span ? image.width - x : span;
            BlendRow8Avx512(px + x, other, tint, rule);
            x += other;
        }
    }
}

template <typename Rule>
void BlendWith(const ImageView<PF_Pixel8>& image, const PF_Pixel8& tint, const Rule& rule, Isa isa)
{
    if (isa == Isa::Avx2) {
        for (int32_t y = 0; y < image.height; ++y) BlendRow8Avx2(image.Row(y), image.width, tint, rule);
        return;
    }
    Tables8 tables;
    Tabulate(tables, tint, rule);
    if (isa == Isa::Avx512Vbmi) BlendRows8Looked(image, tables, tint, rule);
    else BlendRows8(image, tables);
}

// A row in the widest lanes the depth has here (16-bit: eight pixels where the CPU has AVX-512).
template <typename Pixel, typename Rule>
void BlendRowLanes(Pixel* row, int32_t width, const Pixel& tint, const Rule& rule, Isa isa)
{
    if constexpr (std::is_same_v<Pixel, PF_Pixel16>) {
        if (isa == Isa::Avx512Vbmi) return BlendRow16Avx512(row, width, tint, rule);
    }
    CompositeRowAvx2<DepthOf<Pixel>>(row, &tint, true, width, rule);
}

// 16-bit and float: the composite per pixel, or its lanes row by row (Normal stays per pixel).
template <typename Pixel, typename Rule>
void BlendDirect(const ImageView<Pixel>& image, const Pixel& tint, const Rule& rule, Isa isa)
{
    using Depth = DepthOf<Pixel>;
    if constexpr (std::is_same_v<Rule, NormalRule>) {
        EachPixel(image, [&tint](const Pixel& p) { return Normal<Depth>(p, tint); });
    } else if (isa >= Isa::Avx2) {
        for (int32_t y = 0; y < image.height; ++y) BlendRowLanes(image.Row(y), image.width, tint, rule, isa);
    } else {
        EachPixel(image, [&tint, &rule](const Pixel& p) { return Composite<Depth>(p, tint, rule); });
    }
}

// An opaque pixel's channel p before truncation, as the line slope p + offset (a guess the fit checks: Overlay's and
// the capped parts of other rules are not lines).
template <typename Rule>
void TintLineOf(const PF_Pixel16& tint, const Rule& rule, double (&slope)[3], double (&offset)[3])
{
    using Math = CompositeMath<Depth16>;
    const PF_Pixel16 Q = Depth16::Sanitize(tint);
    typename Math::Weights w;
    Math::Form(Depth16::kWhite, Q.alpha, w);
    const int32_t q[] = {Q.red, Q.green, Q.blue};
    for (int c = 0; c < 3; ++c) {
        const auto value = [&](int32_t p) { return Math::Value(rule(Depth16{}, p, q[c]), p, q[c], w); };
        offset[c] = value(0);
        slope[c] = (value(Depth16::kWhite) - offset[c]) / Depth16::kWhite;
    }
}

void TintLineOf(const PF_Pixel16& tint, const NormalRule&, double (&slope)[3], double (&offset)[3])
{
    const PF_Pixel16 Q = Depth16::Sanitize(tint);
    const NormalWeights w = NormalWeightsOf<Depth16>(Depth16::kWhite, Q.alpha);
    const int32_t q[] = {Q.red, Q.green, Q.blue};
    for (int c = 0; c < 3; ++c) {
        slope[c] = static_cast<double>(w.bottom) / w.alpha;
        offset[c] = static_cast<double>(q[c]) * Q.alpha / w.alpha;
    }
}

template <typename Pixel, typename Rule>
void BlendWith(const ImageView<Pixel>& image, const Pixel& tint, const Rule& rule, Isa isa)
{
    if constexpr (std::is_same_v<Pixel, PF_Pixel16>) {
        const auto direct = [&](const ImageView<PF_Pixel16>& part) { BlendDirect(part, tint, rule, isa); };
        const auto line = [&](const A_u_short* tables, A_u_short alpha, TintLine16& fitted) {
            if (isa != Isa::Avx512Vbmi) return false;
            double slope[3], offset[3];
            TintLineOf(tint, rule, slope, offset);
            return FitTintLine16(tables, slope, offset, alpha, fitted);
        };
        if (tint16::BlendByTables(image, direct, line)) return;
    }
    BlendDirect(image, tint, rule, isa);
}

}  // namespace

template <typename Pixel>
void BlendFrame(const ImageView<Pixel>& image, int32_t mode, const Pixel& tint, Isa isa)
{
    WithBlendRule(mode, [&](const auto& rule) { BlendWith(image, tint, rule, isa); });
}

template void BlendFrame(const ImageView<PF_Pixel8>&, int32_t, const PF_Pixel8&, Isa);
template void BlendFrame(const ImageView<PF_Pixel16>&, int32_t, const PF_Pixel16&, Isa);
template void BlendFrame(const ImageView<PF_PixelFloat>&, int32_t, const PF_PixelFloat&, Isa);

}  // namespace pw
