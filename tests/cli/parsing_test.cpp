// The small parsers behind the options: frame ranges, shards, frame rates, sequence names, keyframe times.
#include <gtest/gtest.h>

#include "project/frame_range.h"
#include "project/frame_rate.h"
#include "project/keyframes.h"
#include "io/sequence_pattern.h"

namespace pwcli {
namespace {

TEST(Shards, CoverTheRangeExactlyOnceInContiguousParts)
{
    for (const FrameRange whole : {FrameRange{0, 0}, FrameRange{0, 9}, FrameRange{5, 104}, FrameRange{3, 5}})
        for (int n = 1; n <= 12; ++n) {
            int next = whole.first;
            int smallest = 1 << 30, largest = 0;
            for (int i = 1; i <= n; ++i) {
                const FrameRange part = ShardOf(whole, Shard{i, n});
                if (part.Count() == 0) {
                    smallest = 0;
                    continue;
                }
                EXPECT_EQ(part.first, next) << "shard " << i << "/" << n;
                next = part.last + 1;
                smallest = std::min(smallest, part.Count());
                largest = std::max(largest, part.Count());
            }
            EXPECT_EQ(next, whole.last + 1) << n << " shards";
            EXPECT_LE(largest - smallest, 1) << n << " shards";
        }
}

TEST(Shards, ParseOnlyValidForms)
{
    Shard s;
    std::string error;
    EXPECT_TRUE(ParseShard("2/8", s, error));
    EXPECT_EQ(s.index, 2);
    EXPECT_EQ(s.count, 8);
    for (const char* bad : {"0/4", "5/4", "1/0", "1", "a/b", "-1/4", "1/4/2", "", "2 /4"}) {
        EXPECT_FALSE(ParseShard(bad, s, error)) << bad;
        EXPECT_NE(error.find("1 <= I <= N"), std::string::npos);
    }
}

TEST(FrameRanges, ParseSingleFramesAndRanges)
{
    FrameRange r;
    std::string error;
    ASSERT_TRUE(ParseFrameRange("7", r, error));
    EXPECT_EQ(r, (FrameRange{7, 7}));
    ASSERT_TRUE(ParseFrameRange("0-95", r, error));
    EXPECT_EQ(r.Count(), 96);
    for (const char* bad : {"", "-3", "3-", "1-2-3", "x", "5-4", "1.5-3", "999999999999"})
        EXPECT_FALSE(ParseFrameRange(bad, r, error)) << bad;
}

struct RateCase {
    const char* text;
    int32_t num, den;
};

class FrameRates : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameRates, BecomeExactRatios)
{
    FrameRate r;
    std::string error;
    ASSERT_TRUE(ParseFrameRate(GetParam().text, r, error)) << error;
    EXPECT_EQ(r.num, GetParam().num);
    EXPECT_EQ(r.den, GetParam().den);
}

INSTANTIATE_TEST_SUITE_P(All, FrameRates,
                         ::testing::Values(RateCase{"30", 30, 1}, RateCase{"25", 25, 1}, RateCase{"29.97", 30000, 1001},
                                           RateCase{"23.976", 24000, 1001}, RateCase{"59.94", 60000, 1001},
                                           RateCase{"12.5", 25, 2}, RateCase{"30000/1001", 30000, 1001},
                                           RateCase{"60/2", 30, 1}, RateCase{"1000", 1000, 1}));

TEST(FrameRates, RefuseNonsense)
{
    FrameRate r;
    std::string error;
    for (const char* bad : {"0", "-30", "abc", "30/0", "1/-2", "0.001", "1001", "nan", "inf", "", "30fps"})
        EXPECT_FALSE(ParseFrameRate(bad, r, error)) << bad;
}

TEST(FrameRates, TimesInHostUnits)
{
    EXPECT_EQ(FrameToUnits(FrameRate{30000, 1001}, 30), 30030);
    EXPECT_EQ(SecondsToUnits(FrameRate{30000, 1001}, 1.5), 45000);
    EXPECT_EQ(FrameToUnits(FrameRate{30, 1}, 12), 12);
}

TEST(SequenceNames, PlaceholdersOfEveryForm)
{
    SequencePattern p;
    ASSERT_TRUE(ParseSequencePattern("dir.v2/shot.%04d.exr", p));
    EXPECT_EQ(p.FileFor(7), "dir.v2/shot.0007.exr");
    ASSERT_TRUE(ParseSequencePattern("shot.####.png", p));
    EXPECT_EQ(p.FileFor(12345), "shot.12345.png");
    ASSERT_TRUE(ParseSequencePattern("f%d.tif", p));
    EXPECT_EQ(p.FileFor(3), "f3.tif");
    for (const char* bad : {"plain.png", "a.%04d.%04d.png", "a.##.#.png", "d%04d/x.png", "a.%s.png"})
        EXPECT_FALSE(ParseSequencePattern(bad, p)) << bad;
}

TEST(KeyframeTimes, FramesOrSeconds)
{
    KeyTime t;
    std::string error;
    ASSERT_TRUE(ParseKeyTime("48", t, error));
    EXPECT_FALSE(t.seconds);
    ASSERT_TRUE(ParseKeyTime("48f", t, error));
    EXPECT_EQ(t.amount, 48);
    ASSERT_TRUE(ParseKeyTime("2.5s", t, error));
    EXPECT_TRUE(t.seconds);
    EXPECT_EQ(t.amount, 2.5);
    for (const char* bad : {"", "s", "-1", "1e9", "x1", "2.5 s"}) EXPECT_FALSE(ParseKeyTime(bad, t, error)) << bad;
}

}  // namespace
}  // namespace pwcli
