// RGB Separation's 8-bit row in AVX2 lanes against the definition: random rows with the edge alphas, every kind of
// copy colour, odd widths and every wrap of the copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "kernel_test_support.h"
#include "kernels/cpu_features.h"
#include "kernels/separation_row.h"

namespace pw {
namespace {

struct RowCase {
    int32_t width;
    int32_t firsts[3];  // negative: drawn at random
    int colours;        // 0: the default red, green, blue; 1: white and black; 2: random; 3: random, adding to 255
};

class SeparationRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(SeparationRows, LanesEqualTheDefinition)
{
    if (!CpuHasAvx2()) GTEST_SKIP() << "this processor has no AVX2; the definition runs alone";
    const RowCase& c = GetParam();
    test::TestRandom rnd(static_cast<uint64_t>(c.width) * 31 + c.colours);
    for (int round = 0; round < 20; ++round) {
        std::vector<PF_Pixel8> src(c.width), want(c.width), got(c.width);
        for (PF_Pixel8& p : src) {
            // Odd rounds opaque (the 16-bit lanes where the colours allow), every other one with a rare pixel that
            // is not, which only a check of all three copies sees.
            const bool opaque = round % 2 == 1 && !(round % 4 == 3 && rnd.Int(0, 40) == 0);
            p.alpha = static_cast<A_u_char>(opaque ? 255 : test::AlphaOf(rnd, 255));
            p.red = static_cast<A_u_char>(rnd.Int(0, 255));
            p.green = static_cast<A_u_char>(round % 5 == 0 ? 255 : rnd.Int(0, 255));
            p.blue = static_cast<A_u_char>(rnd.Int(0, 255));
        }
        SeparationCopy copies[3];
        const PF_Pixel8 plain[3] = {{255, 255, 0, 0}, {255, 0, 255, 0}, {255, 0, 0, 255}};
        int32_t shares[3][3];  // red, green, blue: each split among the copies
        for (auto& share : shares) {
            share[0] = rnd.Int(0, 255);
            share[1] = rnd.Int(0, 255 - share[0]);
            share[2] = 255 - share[0] - share[1];
        }
        for (int k = 0; k < 3; ++k) {
            copies[k].first = c.firsts[k] >= 0 ? c.firsts[k] % c.width : rnd.Int(0, c.width - 1);
            copies[k].colour = c.colours == 3   ? PF_Pixel8{255, A_u_char(shares[0][k]), A_u_char(shares[1][k]),
                                                                A_u_char(shares[2][k])}
                               : c.colours == 0 ? plain[k]
                               : c.colours == 1 ? PF_Pixel8{255, A_u_char(k ? 0 : 255), 255, A_u_char(k == 2 ? 255 : 0)}
                                                : PF_Pixel8{255, A_u_char(rnd.Int(0, 255)), A_u_char(rnd.Int(0, 255)),
                                                            A_u_char(rnd.Int(0, 255))};
        }
        std::vector<SeparationEntry<Depth8>> line(c.width);
        const DivideBy255Alpha divide;
        SeparateRow<Depth8>(src.data(), want.data(), c.width, copies, line.data(), divide);
        for (const Isa isa : test::RunnableIsas()) {
            if (isa < Isa::Avx2) continue;
            SeparateRowLanes<Depth8>(src.data(), got.data(), c.width, copies, isa, divide);
            for (int32_t x = 0; x < c.width; ++x) {
                const auto where = ::testing::Message() << "column " << x << " round " << round << " isa " << int(isa);
                ASSERT_EQ(got[x].alpha, want[x].alpha) << where;
                ASSERT_EQ(got[x].red, want[x].red) << where;
                ASSERT_EQ(got[x].green, want[x].green) << where;
                ASSERT_EQ(got[x].blue, want[x].blue) << where;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, SeparationRows,
    ::testing::Values(RowCase{1, {0, 0, 0}, 0}, RowCase{7, {-1, -1, -1}, 2}, RowCase{8, {0, 3, 7}, 0},
                      RowCase{9, {8, 8, 1}, 1}, RowCase{33, {-1, -1, -1}, 2}, RowCase{64, {0, 0, 0}, 2},
                      RowCase{1000, {-1, -1, -1}, 0}, RowCase{1001, {1000, 0, 500}, 2},
                      RowCase{1920, {-1, -1, -1}, 1}, RowCase{41, {-1, -1, -1}, 3}, RowCase{1920, {-1, -1, -1}, 3}));

// The deeper rows in every lane width the processor has: the same bytes, random pixels with the depth's edge values (NaN and infinities in
// float among them), float rows whose quotients fall on or a hair from the boundaries where a double rounds to one
// float or the next (sums of a channel and a small power of two), and opaque 16-bit rows, read from an odd address.
template <typename D>
void ExpectDeepRowsAlike(int32_t width, uint64_t seed, bool ties, Isa isa)
{
    using Pixel = typename D::Pixel;
    test::TestRandom rnd(seed);
    test::TestImage<Pixel> src(width + 1, 1);
    src.Randomise(rnd);
    if constexpr (std::is_same_v<D, DepthFloat>) {
        const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
        if (ties) {
            const float alphas[] = {0.3f, 0.7f, 0.1f, 0.9f, 1.0f, 0.55f, 0.123f};
            const float large[] = {1.0f, 1.5f, 1.25f, 1.75f, 0.75f, 3.0f};
            const float small[] = {std::ldexp(1.0f, -24), std::ldexp(1.0f, -25), std::ldexp(3.0f, -26),
                                   std::ldexp(1.0f, -23)};
            const float alpha = alphas[rnd.Int(0, 6)];
            const auto channel = [&] {
                return rnd.Int(0, 1) ? large[rnd.Int(0, 5)] + std::ldexp(float(rnd.Int(0, 16)), -22) : small[rnd.Int(0, 3)];
            };
            for (int32_t x = 0; x <= width; ++x) src.At(x, 0) = PF_PixelFloat{alpha, channel(), channel(), channel()};
        } else {
            for (int32_t x = 3; x < width; x += 7) src.At(x, 0) = PF_PixelFloat{x % 2 ? nan : 0.5f, nan, inf, -inf};
        }
    }
    if constexpr (std::is_same_v<D, Depth16>) {
        // Opaque sources (the integer lanes), careless channels up to 65535 among them, and a few alphas a step off.
        for (int32_t x = 0; ties && x <= width; ++x) {
            PF_Pixel16& p = src.At(x, 0);
            p.alpha = rnd.Int(0, 40) ? 32768 : static_cast<A_u_short>(rnd.Int(0, 1) ? 32767 : 65535);
            if (rnd.Int(0, 4) == 0) p.green = static_cast<A_u_short>(rnd.Int(32769, 65535));
        }
    }
    SeparationCopy copies[3];
    const A_u_char tieColours[] = {0, 1, 128, 255};
    for (SeparationCopy& c : copies) {
        c.first = rnd.Int(0, width - 1);
        for (A_u_char* k : {&c.colour.red, &c.colour.green, &c.colour.blue})
            *k = ties && std::is_same_v<D, DepthFloat> ? tieColours[rnd.Int(0, 3)] : A_u_char(rnd.Int(0, 255));
    }
    std::vector<SeparationEntry<D>> line(width);
    std::vector<Pixel> want(width), got(width);
    const DivideBy255Alpha divide;
    const Pixel* row = src.view.Row(0) + 1;
    SeparateRow<D>(row, want.data(), width, copies, line.data(), divide);
    SeparateRowLanes<D>(row, got.data(), width, copies, isa, divide);
    ASSERT_EQ(std::memcmp(want.data(), got.data(), sizeof(Pixel) * width), 0)
        << width << " " << seed << " isa " << static_cast<int>(isa);
}

TEST(SeparationRows, DeepRowsInLanesEqualTheDefinition)
{
    if (!CpuHasAvx2()) GTEST_SKIP() << "this processor has no AVX2";
    for (const Isa isa : test::RunnableIsas()) {
        if (isa < Isa::Avx2) continue;
        for (const int32_t width : {1, 5, 8, 63, 1001}) {
            for (uint64_t seed = 1; seed <= 8; ++seed) {
                ExpectDeepRowsAlike<Depth16>(width, seed * 977 + width, false, isa);
                ExpectDeepRowsAlike<Depth16>(width, seed * 37 + width, true, isa);
                ExpectDeepRowsAlike<DepthFloat>(width, seed * 131 + width, false, isa);
                ExpectDeepRowsAlike<DepthFloat>(width, seed * 71 + width, true, isa);
            }
        }
    }
}

// The lanes' division at both sides of every multiple of every divisor, where a rounded single-precision quotient
// lands on the wrong side if it ever does (both corrections are needed there).
TEST(SeparationDivision, LanesEqualIntegerDivisionForEveryNumeratorBelowTheLimit)
{
    if (!CpuHasAvx2()) GTEST_SKIP() << "this processor has no AVX2";
    const int32_t limit = int32_t{1} << 26;
    std::vector<int32_t> n, alpha, q;
    for (int32_t a = 0; a <= 255; ++a) {
        const int32_t d = 255 * (a > 0 ? a : 1);
        n.clear();
        for (int64_t m = 0; m < limit; m += d) {
            n.push_back(static_cast<int32_t>(m));
            if (m > 0) n.push_back(static_cast<int32_t>(m - 1));
        }
        n.push_back(limit - 1);
        alpha.assign(n.size(), a);
        for (const Isa isa : test::RunnableIsas()) {
            if (isa < Isa::Avx2) continue;
            q.assign(n.size(), -1);
            DivideBy255AlphaLanes(n.data(), alpha.data(), q.data(), static_cast<int32_t>(n.size()), isa);
            for (std::size_t i = 0; i < n.size(); ++i)
                ASSERT_EQ(q[i], n[i] / d) << n[i] << " / " << d << " isa " << static_cast<int>(isa);
        }
    }
}

}  // namespace
}  // namespace pw
