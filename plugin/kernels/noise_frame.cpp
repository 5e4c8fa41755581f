// The whole-frame noise passes: the same offsets, channels and stream consumption as the per-pixel
// kernels called pixel by pixel, computed several draws at a time.
#include <cstdint>
#include <limits>
#include <type_traits>

#include "kernels/cpu_features.h"
#include "kernels/lanes_avx2.h"
#include "kernels/lanes_avx512.h"
#include "kernels/noise.h"
#include "kernels/noise_offset.h"

namespace pw {
namespace {

using noise::Offset;

// An offset as the frame passes form it. The integer depths bound it where every channel saturates
// anyway (8-bit: -256 and 256; 16-bit: -65536 and 32769), so that adding it stays in 16 and 32-bit lanes; for
// amounts up to kSmallAmount (every amount the parameters allow) the offset is within those lanes
// already and Clamp is false. The frame pass has made the amount finite, so u is never NaN here.
constexpr double kSmallAmount = 64.0;

template <typename Depth>
struct FrameOffset {
    using Type = std::conditional_t<Depth::kIntegral, int32_t, float>;
    // Past these an integer channel saturates whatever its value (a careless 16-bit host's up to 65535 included).
    static constexpr double kLowest = -(static_cast<double>(std::numeric_limits<typename Depth::Channel>::max()) + 1);
    static constexpr double kHighest = static_cast<double>(Depth::kWhite) + 1;

    template <bool Clamp>
    static Type From(double u)
    {
        double x = u * Depth::kNoiseScale;
        if constexpr (Depth::kIntegral && Clamp) {
            x = x < kHighest ? x : kHighest;
            x = x > kLowest ? x : kLowest;
        }
        return static_cast<Type>(x);
    }
};

constexpr double kTwoToMinus62 = 1.0 / 4611686018427387904.0;
constexpr double kTwoToMinus61 = 1.0 / 2305843009213693952.0;

// The offset from the states of its two draws. r1 x r2 is formed as (v1 x v2) x 2^-62, the same double
// as (v1 x 2^-31) x (v2 x 2^-31) since scaling by a power of two commutes with rounding; Folded moves
// the 2^-62 and the later x 2 into the amount (scaledAmount = amount x 2^-61, when that is exact,
// which the caller checks), two multiplications fewer.
template <typename Depth, bool Folded, bool Clamp>
typename FrameOffset<Depth>::Type PairOffset(uint32_t s1, uint32_t s2, double amount, double scaledAmount)
{
    const double product = static_cast<double>(static_cast<int32_t>(s1 & 0x7FFFFFFFu)) *
                           static_cast<double>(static_cast<int32_t>(s2 & 0x7FFFFFFFu));
    const double twice = Folded ? product * scaledAmount : product * kTwoToMinus62 * amount * 2;
    return FrameOffset<Depth>::template From<Clamp>(twice - amount);
}

// A frame's offsets in order, from eight pairs of interleaved generators: pair k holds draws 2k + 1 and
// 2k + 2 of each block of sixteen, and each generator jumps sixteen steps with one multiply-add. The
// serial chain of the generator no longer bounds the speed, and an offset's two reals share a lane.
constexpr int kPairs = 8;

template <typename Depth>
struct OffsetStream {
    using D = typename FrameOffset<Depth>::Type;
    uint32_t first[kPairs];
    uint32_t second[kPairs];
    D spare[kPairs];  // offsets of the current block not yet handed out
    int spareUsed;
    double amount;
    double scaledAmount;
    bool foldedSmall;  // FoldedSmall(amount), decided once

    static bool Small(double a) { return a >= -kSmallAmount && a <= kSmallAmount; }
    // The amounts whose offsets take the folded, unclamped path (false for NaN and infinities).
    static bool FoldedSmall(double a) { return Small(a) && (a * kTwoToMinus61) / kTwoToMinus61 == a; }

    OffsetStream(const RandomStream& stream, double a)
        : spareUsed(kPairs), amount(a), scaledAmount(a * kTwoToMinus61), foldedSmall(FoldedSmall(a))
    {
        uint32_t s = stream.state;
        for (int k = 0; k < kPairs; ++k) {
            s = s * 1103515245u + 12345u;
            first[k] = s;
            s = s * 1103515245u + 12345u;
            second[k] = s;
        }
    }

    // Generator states first (lane by lane), offsets after (one flat loop): both vectorise.
    template <bool Folded, bool Clamp>
    void Blocks(D* out, int blocks)
    {
        constexpr int kBatch = 48;
        uint32_t mul = JumpOf(2 * kPairs).multiplier;
        const uint32_t add = JumpOf(2 * kPairs).increment;
#if defined(__GNUC__)
        // Hide the multiplier's value: against a constant one the vectoriser prefers scalar multiplies,
        // which run at a third of the speed of the vector ones here.
        asm("" : "+r"(mul));
#endif
        uint32_t a[kPairs];
        uint32_t b[kPairs];
        for (int k = 0; k < kPairs; ++k) {
            a[k] = first[k];
            b[k] = second[k];
        }
        const double amountCopy = amount;
        const double scaledCopy = scaledAmount;
        while (blocks > 0) {
            const int n = blocks < kBatch ? blocks : kBatch;
            uint32_t sa[kBatch * kPairs];
            uint32_t sb[kBatch * kPairs];
            for (int k = 0; k < kPairs; ++k) {
                sa[k] = a[k];
                sb[k] = b[k];
            }
            for (int m = kPairs; m < n * kPairs; ++m) {
                sa[m] = sa[m - kPairs] * mul + add;
                sb[m] = sb[m - kPairs] * mul + add;
            }
            for (int k = 0; k < kPairs; ++k) {
                a[k] = sa[(n - 1) * kPairs + k] * mul + add;
                b[k] = sb[(n - 1) * kPairs + k] * mul + add;
            }
            for (int m = 0; m < n * kPairs; ++m) {
                out[m] = PairOffset<Depth, Folded, Clamp>(sa[m], sb[m], amountCopy, scaledCopy);
            }
            out += n * kPairs;
            blocks -= n;
        }
        for (int k = 0; k < kPairs; ++k) {
            first[k] = a[k];
            second[k] = b[k];
        }
    }

    void Whole(D* out, int blocks)
    {
        if (foldedSmall) {
            Blocks<true, false>(out, blocks);
        } else if (Small(amount)) {
            Blocks<false, false>(out, blocks);
        } else {
            Blocks<false, true>(out, blocks);
        }
    }

    // The next count offsets, in order.
    void Next(D* out, int count)
    {
        int i = 0;
        while (i < count && spareUsed < kPairs) {
            out[i++] = spare[spareUsed++];
        }
        const int blocks = (count - i) / kPairs;
        Whole(out + i, blocks);
        i += blocks * kPairs;
        if (i < count) {
            Whole(spare, 1);
            spareUsed = 0;
            while (i < count) {
                out[i++] = spare[spareUsed++];
            }
        }
    }
};

constexpr int kChunk = 128;  // pixels per batch of offsets

// 8-bit: offsets spread over the four channels (0 for alpha, which clamping to 0..255 then leaves as
// it is), added and clamped in 16-bit lanes.
template <int ChannelsPerPixel>
void Apply(PF_Pixel8* px, const int32_t* offsets, int count)
{
    int16_t spread[4 * kChunk];
    for (int p = 0; p < count; ++p) {
        spread[4 * p] = 0;
        spread[4 * p + 1] = static_cast<int16_t>(offsets[ChannelsPerPixel == 1 ? p : 3 * p]);
        spread[4 * p + 2] = static_cast<int16_t>(offsets[ChannelsPerPixel == 1 ? p : 3 * p + 1]);
        spread[4 * p + 3] = static_cast<int16_t>(offsets[ChannelsPerPixel == 1 ? p : 3 * p + 2]);
    }
    A_u_char* ch = reinterpret_cast<A_u_char*>(px);  // alpha first, channels back to back
    for (int j = 0; j < 4 * count; ++j) {
        int16_t v = static_cast<int16_t>(ch[j] + spread[j]);
        v = v < 0 ? static_cast<int16_t>(0) : v;
        v = v > 255 ? static_cast<int16_t>(255) : v;
        ch[j] = static_cast<A_u_char>(v);
    }
}

// 16-bit: the same spread, added and clamped in 32-bit lanes; the alpha lanes (a careless host's may exceed white)
// keep their value by a select.
template <int ChannelsPerPixel>
void Apply(PF_Pixel16* px, const int32_t* offsets, int count)
{
    int32_t spread[4 * kChunk];
    for (int p = 0; p < count; ++p) {
        spread[4 * p] = 0;
        spread[4 * p + 1] = offsets[ChannelsPerPixel == 1 ? p : 3 * p];
        spread[4 * p + 2] = offsets[ChannelsPerPixel == 1 ? p : 3 * p + 1];
        spread[4 * p + 3] = offsets[ChannelsPerPixel == 1 ? p : 3 * p + 2];
    }
    A_u_short* ch = reinterpret_cast<A_u_short*>(px);
    for (int j = 0; j < 4 * count; ++j) {
        int32_t v = ch[j] + spread[j];
        v = v < 0 ? 0 : v;
        v = v > Depth16::kWhite ? Depth16::kWhite : v;
        ch[j] = (j & 3) == 0 ? ch[j] : static_cast<A_u_short>(v);
    }
}

// Float: whole pixels written back, alpha as it was.
template <int ChannelsPerPixel, typename Pixel, typename D>
void Apply(Pixel* px, const D* offsets, int count)
{
    using Depth = DepthOf<Pixel>;
    for (int p = 0; p < count; ++p) {
        const Pixel in = px[p];
        const D* d = offsets + (ChannelsPerPixel == 1 ? p : 3 * p);
        px[p] = Pixel{in.alpha, Offset<Depth>(in.red, d[0]), Offset<Depth>(in.green, d[ChannelsPerPixel == 1 ? 0 : 1]),
                      Offset<Depth>(in.blue, d[ChannelsPerPixel == 1 ? 0 : 2])};
    }
}

template <typename Depth, int ChannelsPerPixel>
void Frame(const ImageView<typename Depth::Pixel>& image, double amount, RandomStream& stream)
{
    if (image.width <= 0 || image.height <= 0) {
        return;
    }
    // A NaN or infinite amount makes every u NaN, which the kernels read as no offset; so does 0.
    if (!(amount >= -std::numeric_limits<double>::max() && amount <= std::numeric_limits<double>::max())) {
        amount = 0.0;
    }
    using D = typename FrameOffset<Depth>::Type;
    OffsetStream<Depth> offsets(stream, amount);
    D batch[3 * kChunk];
    for (int32_t y = 0; y < image.height; ++y) {
        typename Depth::Pixel* px = image.Row(y);
        for (int32_t x = 0; x < image.width; x += kChunk) {
            const int count = image.width - x < kChunk ? image.width - x : kChunk;
            offsets.Next(batch, ChannelsPerPixel * count);
            Apply<ChannelsPerPixel>(px + x, batch, count);
        }
    }
    // Two draws per offset, as the per-pixel kernels would have taken them.
    const uint64_t draws =
        2ull * ChannelsPerPixel * static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height);
    AdvanceStream(stream, draws);
}


#ifdef PW_HAVE_LANES_AVX2

// Eight pixels' white noise in lanes: the offsets of pixels 0-3 and 4-7 (int32, one a pixel) added to red, green and
// blue and clamped, alpha kept. 8-bit: in 16-bit lanes with saturation (an offset within +-32640, so narrowing it to
// 16 bits saturates nothing), byte shuffles spreading each to its pixel's colour words and zeroing the alpha's, the
// packing to bytes the clamp. 16-bit: in 32-bit lanes, clamped to 0..32768, the alpha lanes (a careless host's may
// exceed white) selected back.
PW_AVX2 inline void AddMono(PF_Pixel8* px, __m128i first4, __m128i last4)
{
    const __m256i zero = _mm256_setzero_si256();
    // d0-3 d0-3 | d4-7 d4-7: each half of the vector holds the offsets of the pixels the byte unpacking puts there.
    const __m256i d = _mm256_permute4x64_epi64(_mm256_castsi128_si256(_mm_packs_epi32(first4, last4)),
                                               _MM_SHUFFLE(1, 1, 0, 0));
    const __m256i spreadLow = _mm256_setr_epi8(-1, -1, 0, 1, 0, 1, 0, 1, -1, -1, 2, 3, 2, 3, 2, 3,  //
                                               -1, -1, 0, 1, 0, 1, 0, 1, -1, -1, 2, 3, 2, 3, 2, 3);
    const __m256i spreadHigh = _mm256_setr_epi8(-1, -1, 4, 5, 4, 5, 4, 5, -1, -1, 6, 7, 6, 7, 6, 7,  //
                                                -1, -1, 4, 5, 4, 5, 4, 5, -1, -1, 6, 7, 6, 7, 6, 7);
    const __m256i P = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px));
    // Pixels 0 1 | 4 5 and 2 3 | 6 7 in 16-bit lanes.
    const __m256i low = _mm256_adds_epi16(_mm256_unpacklo_epi8(P, zero), _mm256_shuffle_epi8(d, spreadLow));
    const __m256i high = _mm256_adds_epi16(_mm256_unpackhi_epi8(P, zero), _mm256_shuffle_epi8(d, spreadHigh));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(px), _mm256_packus_epi16(low, high));
}

PW_AVX2 inline void AddMono(PF_Pixel16* px, __m128i first4, __m128i last4)
{
    const __m256i offsets = _mm256_inserti128_si256(_mm256_castsi128_si256(first4), last4, 1);
    const __m256i colours = _mm256_setr_epi32(0, -1, -1, -1, 0, -1, -1, -1), zero = _mm256_setzero_si256();
    const __m256i white = _mm256_set1_epi32(Depth16::kWhite);
    for (int half = 0; half < 2; ++half) {
        const __m256i P = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + 4 * half));
        __m256i pairs[2];  // pixels 0 1 and 2 3 of this half, a channel a 32-bit lane
        for (int q = 0; q < 2; ++q) {
            const __m128i words = q == 0 ? _mm256_castsi256_si128(P) : _mm256_extracti128_si256(P, 1);
            const __m256i v = _mm256_cvtepu16_epi32(words);
            const int first = 4 * half + 2 * q;
            const __m256i d = _mm256_and_si256(
                _mm256_permutevar8x32_epi32(offsets, _mm256_setr_epi32(first, first, first, first, first + 1, first + 1,
                                                                       first + 1, first + 1)),
                colours);
            const __m256i sum = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(v, d), zero), white);
            pairs[q] = _mm256_blend_epi32(sum, v, 0x11);
        }
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(pairs[0], pairs[1]), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(px + 4 * half), packed);
    }
}

// White noise, eight pixels a step with the eight generator pairs in two registers: each offset formed as
// PairOffset forms it (folded, unclamped), then AddMono. `blocks` whole blocks of eight, the stream holding no spare
// offsets; the states are handed back.
template <typename Depth>
PW_AVX2 void MonoBlocks(typename Depth::Pixel* px, int blocks, OffsetStream<Depth>& offsets)
{
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets.first));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets.second));
    const __m256i mul = _mm256_set1_epi32(static_cast<int32_t>(JumpOf(2 * kPairs).multiplier));
    const __m256i add = _mm256_set1_epi32(static_cast<int32_t>(JumpOf(2 * kPairs).increment));
    const __m256i low31 = _mm256_set1_epi32(0x7FFFFFFF);
    const __m256d scaled = _mm256_set1_pd(offsets.scaledAmount), amount = _mm256_set1_pd(offsets.amount);
    const __m256d scale = _mm256_set1_pd(Depth::kNoiseScale);
    const auto offset = [&](__m128i s1, __m128i s2) PW_AVX2 {
        const __m256d product = _mm256_mul_pd(_mm256_cvtepi32_pd(s1), _mm256_cvtepi32_pd(s2));
        return _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(product, scaled), amount), scale));
    };
    for (int k = 0; k < blocks; ++k, px += kPairs) {
        const __m256i v1 = _mm256_and_si256(a, low31), v2 = _mm256_and_si256(b, low31);
        const __m128i first4 = offset(_mm256_castsi256_si128(v1), _mm256_castsi256_si128(v2));
        const __m128i last4 = offset(_mm256_extracti128_si256(v1, 1), _mm256_extracti128_si256(v2, 1));
        a = _mm256_add_epi32(_mm256_mullo_epi32(a, mul), add);
        b = _mm256_add_epi32(_mm256_mullo_epi32(b, mul), add);
        AddMono(px, first4, last4);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets.first), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets.second), b);
}

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// MonoBlocks with each block's eight offsets in one 8-lane double vector. The integer depths then add them as
// AddMono does; float narrows them to single precision, spreads them to their pixels' colour lanes and adds, a sum
// below zero lifted to 0 (max(0, s): s itself where s is NaN or a zero), alpha as it was.
template <typename Depth>
PW_AVX512 void MonoBlocksWide(typename Depth::Pixel* px, int blocks, OffsetStream<Depth>& offsets)
{
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets.first));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets.second));
    const __m256i mul = _mm256_set1_epi32(static_cast<int32_t>(JumpOf(2 * kPairs).multiplier));
    const __m256i add = _mm256_set1_epi32(static_cast<int32_t>(JumpOf(2 * kPairs).increment));
    const __m512i mul2 = _mm512_set1_epi32(static_cast<int32_t>(JumpOf(4 * kPairs).multiplier));
    const __m512i add2 = _mm512_set1_epi32(static_cast<int32_t>(JumpOf(4 * kPairs).increment));
    const __m256i low31 = _mm256_set1_epi32(0x7FFFFFFF);
    const __m512d scaled = _mm512_set1_pd(offsets.scaledAmount), amount = _mm512_set1_pd(offsets.amount);
    const __m512d scale = _mm512_set1_pd(Depth::kNoiseScale);
    const __m512 zero = _mm512_setzero_ps();
    const __mmask16 colours = 0xEEEE;
    const __m512i spread[2] = {_mm512_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3),
                               _mm512_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7)};
    const auto block = [&](typename Depth::Pixel* p, __m256i sa, __m256i sb) PW_AVX512 {
        const __m512d product = _mm512_mul_pd(_mm512_cvtepi32_pd(_mm256_and_si256(sa, low31)),
                                              _mm512_cvtepi32_pd(_mm256_and_si256(sb, low31)));
        const __m512d u = _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(product, scaled), amount), scale);
        if constexpr (Depth::kIntegral) {
            const __m256i d = _mm512_cvttpd_epi32(u);
            AddMono(p, _mm256_castsi256_si128(d), _mm256_extracti128_si256(d, 1));
        } else {
            const __m512 d = _mm512_castps256_ps512(_mm512_cvtpd_ps(u));
            for (int half = 0; half < 2; ++half) {
                float* q = &p[4 * half].alpha;
                const __m512 v = _mm512_loadu_ps(q);
                const __m512 sum = _mm512_mask_add_ps(v, colours, v, _mm512_permutexvar_ps(spread[half], d));
                _mm512_storeu_ps(q, _mm512_mask_max_ps(v, colours, zero, sum));
            }
        }
    };
    // Two blocks a step, their states stepping two blocks on: two generator chains in flight instead of one.
    __m512i A = _mm512_inserti64x4(_mm512_castsi256_si512(a), _mm256_add_epi32(_mm256_mullo_epi32(a, mul), add), 1);
    __m512i B = _mm512_inserti64x4(_mm512_castsi256_si512(b), _mm256_add_epi32(_mm256_mullo_epi32(b, mul), add), 1);
    int k = 0;
    for (; k + 2 <= blocks; k += 2, px += 2 * kPairs) {
        const __m512i sa = A, sb = B;
        A = _mm512_add_epi32(_mm512_mullo_epi32(A, mul2), add2);
        B = _mm512_add_epi32(_mm512_mullo_epi32(B, mul2), add2);
        block(px, _mm512_castsi512_si256(sa), _mm512_castsi512_si256(sb));
        block(px + kPairs, _mm512_extracti64x4_epi64(sa, 1), _mm512_extracti64x4_epi64(sb, 1));
    }
    a = _mm512_castsi512_si256(A);
    b = _mm512_castsi512_si256(B);
    if (k < blocks) {
        block(px, a, b);
        a = _mm512_extracti64x4_epi64(A, 1);
        b = _mm512_extracti64x4_epi64(B, 1);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets.first), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets.second), b);
}

PW_AVX512_END
#endif

// The frame with whole blocks of eight pixels in MonoBlocks (MonoBlocksWide where isa allows it) and the rest (a
// row's end, the spare offsets it leaves for the next row's start) as Frame takes them: the same offsets for the same
// pixels.
template <typename Depth>
void MonoLanes(const ImageView<typename Depth::Pixel>& image, double amount, RandomStream& stream, Isa isa)
{
    OffsetStream<Depth> offsets(stream, amount);
    typename FrameOffset<Depth>::Type batch[kPairs];
    for (int32_t y = 0; y < image.height; ++y) {
        typename Depth::Pixel* px = image.Row(y);
        int32_t x = 0;
        const int32_t spares = kPairs - offsets.spareUsed;
        if (spares > 0) {
            const int32_t n = spares < image.width ? spares : image.width;
            offsets.Next(batch, n);
            Apply<1>(px, batch, n);
            x = n;
        }
        const int blocks = (image.width - x) / kPairs;
        if (offsets.spareUsed == kPairs && blocks > 0) {
#ifdef PW_HAVE_LANES_AVX512
            if (isa >= Isa::Avx512Vbmi) MonoBlocksWide<Depth>(px + x, blocks, offsets);
            else
#endif
                if constexpr (Depth::kIntegral) MonoBlocks<Depth>(px + x, blocks, offsets);
            x += blocks * kPairs;
        }
        for (; x < image.width; x += kPairs) {
            const int32_t n = image.width - x < kPairs ? image.width - x : kPairs;
            offsets.Next(batch, n);
            Apply<1>(px + x, batch, n);
        }
    }
    AdvanceStream(stream, 2ull * static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height));
}

#endif

template <typename Depth, int ChannelsPerPixel>
PW_AVX2_SCHEDULE void FrameAvx2(const ImageView<typename Depth::Pixel>& image, double amount, RandomStream& stream)
{
    Frame<Depth, ChannelsPerPixel>(image, amount, stream);
}

#ifdef PW_HAVE_LANES_AVX512
template <typename Depth, int ChannelsPerPixel>
PW_AVX512_SCHEDULE void FrameAvx512(const ImageView<typename Depth::Pixel>& image, double amount, RandomStream& stream)
{
    Frame<Depth, ChannelsPerPixel>(image, amount, stream);
}
#endif

template <typename Depth, int ChannelsPerPixel>
void FrameOn(Isa isa, const ImageView<typename Depth::Pixel>& image, double amount, RandomStream& stream)
{
    const bool monoLanes = ChannelsPerPixel == 1 && OffsetStream<Depth>::FoldedSmall(amount) && image.width > 0 &&
                           image.height > 0;
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (!Depth::kIntegral) {
        if (isa >= Isa::Avx512Vbmi && monoLanes) return MonoLanes<Depth>(image, amount, stream, isa);
        if (isa >= Isa::Avx512Vbmi) return FrameAvx512<Depth, ChannelsPerPixel>(image, amount, stream);
    }
#endif
#ifdef PW_HAVE_LANES_AVX2
    if constexpr (Depth::kIntegral) {
        if (isa >= Isa::Avx2 && monoLanes) return MonoLanes<Depth>(image, amount, stream, isa);
    }
#endif
    if (isa >= Isa::Avx2) FrameAvx2<Depth, ChannelsPerPixel>(image, amount, stream);
    else Frame<Depth, ChannelsPerPixel>(image, amount, stream);
}

}  // namespace

template <typename Pixel>
void NoiseFrameMono(const ImageView<Pixel>& image, double amount, RandomStream& stream, Isa isa)
{
    FrameOn<DepthOf<Pixel>, 1>(isa, image, amount, stream);
}

template <typename Pixel>
void NoiseFrameColor(const ImageView<Pixel>& image, double amount, RandomStream& stream, Isa isa)
{
    FrameOn<DepthOf<Pixel>, 3>(isa, image, amount, stream);
}

#define PW_NOISE_FRAMES(Pixel)                                                                                         \
    template void NoiseFrameMono(const ImageView<Pixel>&, double, RandomStream&, Isa);                              \
    template void NoiseFrameColor(const ImageView<Pixel>&, double, RandomStream&, Isa);
PW_NOISE_FRAMES(PF_Pixel8)
PW_NOISE_FRAMES(PF_Pixel16)
PW_NOISE_FRAMES(PF_PixelFloat)
#undef PW_NOISE_FRAMES

}  // namespace pw
