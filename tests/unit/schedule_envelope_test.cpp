// The envelope over a beat, its ease curve, and the exp that keeps the curve identical in every build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "schedule/envelope.h"
#include "schedule/portable_exp.h"

namespace pw {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct EnvelopeCase {
    double rest;
    double phase;
    double envelope;
    bool inAttack;
};

class LinearEnvelope : public ::testing::TestWithParam<EnvelopeCase> {};

// Attack 0.25, Sustain 0.5, Release 0.25, Ease 0.
TEST_P(LinearEnvelope, FollowsTheSegments)
{
    const EnvelopeCase& c = GetParam();
    const Envelope e = ComputeEnvelope(c.phase, 0.25, 0.5, 0.25, c.rest, 0.0);
    EXPECT_EQ(e.envelope, c.envelope);
    EXPECT_EQ(e.inAttack, c.inAttack);
}

INSTANTIATE_TEST_SUITE_P(NoRest, LinearEnvelope,
                         ::testing::Values(EnvelopeCase{0, 0.0, 0.0, true}, EnvelopeCase{0, 0.125, 0.5, true},
                                           EnvelopeCase{0, 0.25, 1.0, false}, EnvelopeCase{0, 0.5, 1.0, false},
                                           EnvelopeCase{0, 0.75, 1.0, false}, EnvelopeCase{0, 0.875, 0.5, false},
                                           EnvelopeCase{0, 0.9375, 0.25, false}));
INSTANTIATE_TEST_SUITE_P(HalfRest, LinearEnvelope,
                         ::testing::Values(EnvelopeCase{0.5, 0.0625, 0.5, true}, EnvelopeCase{0.5, 0.125, 1.0, false},
                                           EnvelopeCase{0.5, 0.375, 1.0, false},
                                           EnvelopeCase{0.5, 0.4375, 0.5, false}, EnvelopeCase{0.5, 0.5, 0.0, false},
                                           EnvelopeCase{0.5, 0.75, 0.0, false}));
INSTANTIATE_TEST_SUITE_P(FullRest, LinearEnvelope,
                         ::testing::Values(EnvelopeCase{1.0, 0.0, 0.0, false}, EnvelopeCase{1.0, 0.5, 0.0, false}));
// Phases the clock can produce from hostile input: before time 0 under a falling tempo, or NaN.
INSTANTIATE_TEST_SUITE_P(OutsideTheBeat, LinearEnvelope,
                         ::testing::Values(EnvelopeCase{0, -0.5, 0.0, true}, EnvelopeCase{0, -1e-17, 0.0, true},
                                           EnvelopeCase{0, kNaN, 0.0, false}));

TEST(Envelope, ZeroSegmentsGiveNothingAtEveryPhase)
{
    for (double phase : {0.0, 0.25, 0.5, 0.999})
        for (double ease : {0.0, 2.0}) {
            const Envelope e = ComputeEnvelope(phase, 0.0, 0.0, 0.0, 0.0, ease);
            EXPECT_EQ(e.envelope, 0.0);
            EXPECT_FALSE(e.inAttack);
        }
}

TEST(Envelope, NegativePhaseWithEaseStaysInRange)
{
    for (double phase : {-0.9, -0.5, -0.01})
        for (double ease : {0.5, 2.0, 20.0}) {
            const Envelope e = ComputeEnvelope(phase, 0.25, 0.5, 0.25, 0.0, ease);
            EXPECT_GE(e.envelope, 0.0);
            EXPECT_LE(e.envelope, 1.0);
        }
}

TEST(EaseCurve, ExamplesAtTwo)
{
    EXPECT_NEAR(EaseCurve(0.25, 1.0, 2.0), (std::exp(1.0) - 1) / (std::exp(2.0) - 1) * 0.5, 1e-16);
    EXPECT_NEAR(EaseCurve(0.25, 1.0, 2.0), 0.1345, 5e-5);
    EXPECT_EQ(EaseCurve(0.5, 1.0, 2.0), 0.5);
    EXPECT_EQ(EaseCurve(0.0, 1.0, 2.0), 0.0);
    EXPECT_EQ(EaseCurve(1.0, 1.0, 2.0), 1.0);
    EXPECT_EQ(EaseCurve(0.125, 0.25, 2.0), EaseCurve(0.5, 1.0, 2.0));
}

TEST(EaseCurve, ZeroIsLinear)
{
    for (double t : {0.0, 0.1, 0.5, 0.7, 1.0}) EXPECT_EQ(EaseCurve(t, 1.0, 0.0), t);
}

class EaseShape : public ::testing::TestWithParam<double> {};

TEST_P(EaseShape, RisesFromZeroToOneSymmetrically)
{
    const double c = GetParam();
    double previous = 0.0;
    for (int i = 0; i <= 64; ++i) {
        const double t = i / 64.0;
        const double y = EaseCurve(t, 1.0, c);
        ASSERT_TRUE(y >= 0.0 && y <= 1.0) << c << " " << t;
        ASSERT_GE(y, previous) << c << " " << t;
        EXPECT_NEAR(y + EaseCurve(1.0 - t, 1.0, c), 1.0, 1e-12) << c << " " << t;
        previous = y;
    }
}

INSTANTIATE_TEST_SUITE_P(Steepness, EaseShape, ::testing::Values(1e-12, 0.5, 2.0, 5.0, 10.0, 20.0));

class TinyEase : public ::testing::TestWithParam<double> {};

// exp(c) - 1 is 0 below about 1.1e-16 (0 / 0) and keeps only a few bits above: the curve must not become NaN or
// a staircase, and stays within about c of the straight line.
TEST_P(TinyEase, IsCloseToTheLinearCurve)
{
    const double c = GetParam();
    for (double t : {0.0, 0.1, 0.25, 0.49, 0.5, 0.75, 1.0}) {
        const double y = EaseCurve(t, 1.0, c);
        ASSERT_FALSE(std::isnan(y)) << c << " " << t;
        EXPECT_NEAR(y, t, 4 * c) << c << " " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Steepness, TinyEase,
                         ::testing::Values(5e-324, 1e-300, 1e-20, 1e-17, 5e-17, 1e-16, 2e-16, 1e-15, 1e-12, 9.9e-9,
                                           1e-8, 1e-6, 1e-4));

TEST(Envelope, TinyEaseStillRisesThroughTheAttack)
{
    const Envelope e = ComputeEnvelope(0.125, 0.25, 0.5, 0.25, 0.0, 1e-17);
    EXPECT_EQ(e.envelope, 0.5);
    EXPECT_TRUE(e.inAttack);
}

int64_t UlpDistance(double a, double b)
{
    int64_t ia, ib;
    std::memcpy(&ia, &a, sizeof a);
    std::memcpy(&ib, &b, sizeof b);
    if (ia < 0) ia = INT64_MIN - ia;
    if (ib < 0) ib = INT64_MIN - ib;
    return ia > ib ? ia - ib : ib - ia;
}

TEST(PortableExp, AgreesWithTheRuntimeWithinOneUlp)
{
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> wide(-745.0, 709.78);
    std::uniform_real_distribution<double> easeRange(-40.0, 40.0);
    for (int i = 0; i < 200000; ++i) {
        const double x = i % 2 ? wide(random) : easeRange(random);
        ASSERT_LE(UlpDistance(PortableExp(x), std::exp(x)), 1) << x;
    }
}

TEST(PortableExp, SpecialArguments)
{
    EXPECT_EQ(PortableExp(0.0), 1.0);
    EXPECT_EQ(PortableExp(-0.0), 1.0);
    EXPECT_EQ(PortableExp(1e-300), 1.0);
    EXPECT_EQ(PortableExp(kInf), kInf);
    EXPECT_EQ(PortableExp(-kInf), 0.0);
    EXPECT_TRUE(std::isnan(PortableExp(kNaN)));
    EXPECT_EQ(PortableExp(710.0), kInf);
    EXPECT_EQ(PortableExp(-746.0), 0.0);
    EXPECT_EQ(PortableExp(709.78), std::exp(709.78));
    EXPECT_GT(PortableExp(-740.0), 0.0);  // subnormal result
    EXPECT_LE(UlpDistance(PortableExp(-740.0), std::exp(-740.0)), 1);
}

// The bits every target must give (the C runtimes' own exp differ between glibc and mingw). exp(1) is one ulp
// above the nearest double: that is this approximation's, not a fault.
TEST(PortableExp, SameBitsInEveryBuild)
{
    struct Golden {
        double x;
        uint64_t bits;
    };
    const Golden golden[] = {
        {1.0, 0x4005bf0a8b14576aull},  {2.0, 0x401d8e64b8d4ddaeull},   {-2.0, 0x3fc152aaa3bf81ccull},
        {20.0, 0x41bceb088b68e804ull}, {-20.0, 0x3e21b48655f37267ull}, {0.5, 0x3ffa61298e1e069cull}, {7.25, 0x4096006b5d53e8d9ull},
    };
    for (const Golden& g : golden) {
        const double y = PortableExp(g.x);
        uint64_t bits;
        std::memcpy(&bits, &y, sizeof y);
        EXPECT_EQ(bits, g.bits) << g.x;
    }
}

}  // namespace
}  // namespace pw
