// Image files in every depth the formats hold: what is written reads back the same, alpha included.
#include <gtest/gtest.h>

#include <cstring>

#include "cli_test_support.h"
#include "io/image_file.h"

namespace pwcli {
namespace {

// Every channel value pattern a depth can hold, alpha not constant.
Frame Ramp(Depth depth)
{
    Frame f(37, 11, depth);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            for (int c = 0; c < 4; ++c) {
                unsigned char* p = f.Row(y) + static_cast<std::size_t>(x) * BytesPerPixel(depth);
                const int i = (y * f.width + x) * 4 + c;
                if (depth == Depth::k8) p[c] = static_cast<unsigned char>(i * 7 % 256);
                if (depth == Depth::k16) {
                    const uint16_t v = static_cast<uint16_t>(i * 97 % (kWhite16 + 1));
                    std::memcpy(p + 2 * c, &v, 2);
                }
                if (depth == Depth::kFloat) {
                    const float v = static_cast<float>(i % 101) / 73.0f - 0.25f;  // outside 0..1 too
                    std::memcpy(p + 4 * c, &v, 4);
                }
            }
    return f;
}

struct RoundTrip {
    const char* name;
    Depth depth;
};

class ImageRoundTrips : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ImageRoundTrips, ReadBackUnchanged)
{
    pwclitest::TempDir dir;
    const Frame f = Ramp(GetParam().depth);
    const std::string path = dir / GetParam().name;
    std::string error;
    ASSERT_TRUE(WriteImage(path, f, error)) << error;
    ImageFileInfo info;
    ASSERT_TRUE(ProbeImage(path, info, error)) << error;
    EXPECT_EQ(info.depth, GetParam().depth);
    Frame back;
    ASSERT_TRUE(ReadImage(path, GetParam().depth, back, error)) << error;
    EXPECT_EQ(back.width, f.width);
    EXPECT_EQ(back.height, f.height);
    EXPECT_TRUE(back.pixels == f.pixels);
}

INSTANTIATE_TEST_SUITE_P(All, ImageRoundTrips,
                         ::testing::Values(RoundTrip{"a.png", Depth::k8}, RoundTrip{"b.png", Depth::k16},
                                           RoundTrip{"c.tif", Depth::k8}, RoundTrip{"d.tif", Depth::k16},
                                           RoundTrip{"e.tif", Depth::kFloat}, RoundTrip{"f.exr", Depth::kFloat}));

TEST(ImageFiles, DepthsConvertOnReading)
{
    pwclitest::TempDir dir;
    Frame f(2, 1, Depth::k8);
    f.pixels = {255, 0, 128, 255, 0, 10, 20, 30};
    std::string error;
    ASSERT_TRUE(WriteImage(dir / "x.png", f, error));
    Frame deep, real;
    ASSERT_TRUE(ReadImage(dir / "x.png", Depth::k16, deep, error));
    ASSERT_TRUE(ReadImage(dir / "x.png", Depth::kFloat, real, error));
    EXPECT_TRUE(ConvertDepth(deep, Depth::k8).pixels == f.pixels);
    EXPECT_TRUE(ConvertDepth(real, Depth::k8).pixels == f.pixels);
    uint16_t white;
    std::memcpy(&white, deep.pixels.data(), 2);
    EXPECT_EQ(white, kWhite16);
}

TEST(ImageFiles, AFloatFrameGoesToPngAsSixteenBits)
{
    Depth d;
    std::string error;
    ASSERT_TRUE(FileDepthFor("x.png", Depth::kFloat, d, error));
    EXPECT_EQ(d, Depth::k16);
    ASSERT_TRUE(FileDepthFor("x.exr", Depth::k8, d, error));
    EXPECT_EQ(d, Depth::kFloat);
    EXPECT_FALSE(FileDepthFor("x.gif", Depth::k8, d, error));
}

TEST(ImageFiles, MissingAndDamagedFilesAreErrorsNotCrashes)
{
    pwclitest::TempDir dir;
    Frame f;
    std::string error;
    EXPECT_FALSE(ReadImage(dir / "none.png", Depth::k8, f, error));
    EXPECT_NE(error.find("none.png"), std::string::npos);
    pwclitest::WriteFile(dir / "cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_FALSE(ReadImage(dir / "cut.png", Depth::k8, f, error));
    EXPECT_FALSE(WriteImage(dir / "no/such/folder/x.png", Ramp(Depth::k8), error));
}

TEST(Sixteen, HostAndFileRangesRoundTrip)
{
    for (uint32_t v = 0; v <= kWhite16; ++v)
        ASSERT_EQ(FileToHost16(HostToFile16(static_cast<uint16_t>(v))), v);
    EXPECT_EQ(HostToFile16(kWhite16), 65535);
    EXPECT_EQ(FileToHost16(65535), kWhite16);
}

}  // namespace
}  // namespace pwcli
