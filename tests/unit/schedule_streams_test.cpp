// The generator's sequence, jumping it ahead, and the Time treatment's frame orders.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kernels/random_stream.h"
#include "schedule/frame_order.h"

namespace pw {
namespace {

TEST(RandomStream, IntegersFromStateZero)
{
    RandomStream stream{0};
    EXPECT_EQ(NextInt(stream), 12345);
    EXPECT_EQ(NextInt(stream), 1406932606);
    EXPECT_EQ(NextInt(stream), 654583775);
    EXPECT_EQ(NextInt(stream), 1449466924);
}

TEST(RandomStream, RealsFromStateZero)
{
    RandomStream stream{0};
    EXPECT_EQ(NextReal(stream), 5.748588591814041e-06);
    EXPECT_EQ(NextReal(stream), 0.6551540484651923);
}

TEST(RandomStream, RealsStayBelowOne)
{
    // The state whose successor has all 31 output bits set.
    RandomStream stream{0};
    const uint32_t target = 0x7FFFFFFFu;
    // state' = state * a + c  =>  state = (target - c) * a^-1 (mod 2^32)
    uint32_t inverse = 1103515245u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 1103515245u * inverse;
    stream.state = (target - 12345u) * inverse;
    EXPECT_EQ(NextReal(stream), 2147483647.0 / 2147483648.0);
}

struct JumpCase {
    uint32_t state;
    uint64_t steps;
};

class JumpAhead : public ::testing::TestWithParam<JumpCase> {};

TEST_P(JumpAhead, EqualsSteppingOneAtATime)
{
    RandomStream stepped{GetParam().state};
    for (uint64_t i = 0; i < GetParam().steps; ++i) NextInt(stepped);
    RandomStream jumped{GetParam().state};
    AdvanceStream(jumped, GetParam().steps);
    EXPECT_EQ(jumped.state, stepped.state);
}

INSTANTIATE_TEST_SUITE_P(Steps, JumpAhead,
                         ::testing::Values(JumpCase{0, 0}, JumpCase{0, 1}, JumpCase{9, 2}, JumpCase{9, 3},
                                           JumpCase{12345, 7}, JumpCase{0xFFFFFFFFu, 64}, JumpCase{0x80000000u, 1000},
                                           JumpCase{30009, 65537}, JumpCase{1, 1u << 20},
                                           JumpCase{0xDEADBEEFu, 3000001}));

TEST(JumpAhead, ComposesLikeSteps)
{
    for (uint64_t a : {1ull, 5ull, 1000ull, 123456789ull})
        for (uint64_t b : {0ull, 3ull, 77777ull, 2147483648ull}) {
            RandomStream twice{42};
            AdvanceStream(twice, a);
            AdvanceStream(twice, b);
            RandomStream once{42};
            AdvanceStream(once, a + b);
            EXPECT_EQ(once.state, twice.state) << a << " " << b;
        }
}

// The generator has full period 2^32: that many steps return every state to itself, half as many do not.
TEST(JumpAhead, FullPeriod)
{
    const StreamJump period = JumpOf(1ull << 32);
    EXPECT_EQ(period.multiplier, 1u);
    EXPECT_EQ(period.increment, 0u);
    const StreamJump half = JumpOf(1ull << 31);
    EXPECT_FALSE(half.multiplier == 1u && half.increment == 0u);
}

TEST(FrameOrder, ShuffleFromStateNine)
{
    std::vector<int32_t> order = {0, 1, 2, 3};
    RandomStream stream{9};
    ShuffleOrder(order.data(), 4, stream);
    EXPECT_EQ(order, (std::vector<int32_t>{2, 3, 1, 0}));
    RandomStream fourDraws{9};
    AdvanceStream(fourDraws, 4);
    EXPECT_EQ(stream.state, fourDraws.state);
}

TEST(FrameOrder, ShuffleOfOneFrameDrawsOnceAndKeepsIt)
{
    int32_t order[1] = {0};
    RandomStream stream{77};
    ShuffleOrder(order, 1, stream);
    EXPECT_EQ(order[0], 0);
    RandomStream oneDraw{77};
    NextInt(oneDraw);
    EXPECT_EQ(stream.state, oneDraw.state);
}

TEST(FrameOrder, ShuffleIsAPermutationForManyLengthsAndStates)
{
    for (int32_t length : {2, 15, 17, 18, 60, 1800})
        for (uint32_t state : {0u, 9u, 0xFFFFFFFFu}) {
            std::vector<int32_t> order(length);
            FillIdentityOrder(order.data(), length);
            RandomStream stream{state};
            ShuffleOrder(order.data(), length, stream);
            std::vector<int> seen(length, 0);
            for (int32_t entry : order) {
                ASSERT_GE(entry, 0);
                ASSERT_LT(entry, length);
                ++seen[entry];
            }
            for (int count : seen) EXPECT_EQ(count, 1);
        }
}

TEST(FrameOrder, FillsAndReverses)
{
    std::vector<int32_t> order(5, -1);
    FillIdentityOrder(order.data(), 5);
    EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 3, 4}));
    ReverseOrder(order.data(), 5);
    EXPECT_EQ(order, (std::vector<int32_t>{4, 3, 2, 1, 0}));
    FillZero(order.data(), 5);
    EXPECT_EQ(order, (std::vector<int32_t>{0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace pw
