// What compositing and farm tools expect of a renderer in their pipeline: plate numbers kept, EXR windows and
// sample types, DPX, and a video's sound carried through.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <OpenImageIO/imageio.h>

#include "cli_test_support.h"
#include "io/image_file.h"

namespace {

using pwclitest::Capture;
using pwclitest::CliRun;
using pwclitest::Has;
using pwclitest::Exists;
using pwclitest::ReadFile;
using pwclitest::RunCli;
using pwclitest::TempDir;

std::string Numbered(const std::string& pattern, long long n)
{
    const auto slash = pattern.find_last_of('/');
    if (slash == std::string::npos) return pwclitest::Numbered(".", pattern.c_str(), n).substr(2);
    return pwclitest::Numbered(pattern.substr(0, slash), pattern.c_str() + slash + 1, n);
}

struct Numbering {
    const char* name;
    std::vector<std::string> args;
    std::vector<long long> files;  // the numbers written, in order
    long long start;               // the number of frame 0
};

class Numbers : public ::testing::TestWithParam<Numbering> {};

// A plate numbered 1001-1006 (the pattern's own look).
TEST_P(Numbers, FollowThePlateUnlessAStartIsGiven)
{
    TempDir dir;
    ASSERT_EQ(RunCli({"render", "-i", "pattern:32x24", "--length", "6", "-q", "-o", dir / "plate/p.%04d.png",
                      "--start-number", "1001"})
                  .code,
              0);
    std::vector<std::string> args = {"render", "-i", dir / "plate/p.####.png", "-q", "-o", dir / "out/r.%04d.png"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.code, 0) << run.err;
    std::vector<std::string> want;
    for (long long n : GetParam().files) want.push_back(Numbered("r.%04lld.png", n));
    std::vector<std::string> got;
    for (const std::string& n : pwclitest::Names(dir / "out"))
        if (n[0] != '.') got.push_back(n);
    EXPECT_EQ(got, want);
    // Nothing switched on: file k of the render is file k of the plate.
    for (std::size_t i = 0; i < GetParam().files.size(); ++i) {
        const long long plate = 1001 + GetParam().files[i] - GetParam().start;
        pwcli::Frame a, b;
        std::string error;
        ASSERT_TRUE(pwcli::ReadImage(Numbered(dir / "out/r.%04lld.png", GetParam().files[i]), pwcli::Depth::k8, a, error));
        ASSERT_TRUE(pwcli::ReadImage(Numbered(dir / "plate/p.%04lld.png", plate), pwcli::Depth::k8, b, error));
        EXPECT_TRUE(a.pixels == b.pixels) << GetParam().files[i];
    }
}

INSTANTIATE_TEST_SUITE_P(All, Numbers,
                         ::testing::Values(Numbering{"plate", {}, {1001, 1002, 1003, 1004, 1005, 1006}, 1001},
                                           Numbering{"part", {"--frames", "2-3"}, {1003, 1004}, 1001},
                                           Numbering{"shard", {"--shard", "2/2"}, {1004, 1005, 1006}, 1001},
                                           Numbering{"start", {"--start-number", "1", "--frames", "0-1"}, {1, 2}, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// An EXR frame whose pixels (opaque, a ramp) fill `data` of the picture `display`.
void WriteWindowed(const std::string& path, const pwcli::PixelRect& data, const pwcli::PixelRect& display)
{
    OIIO::ImageSpec spec(data.width, data.height, 4, OIIO::TypeDesc::FLOAT);
    spec.x = data.x;
    spec.y = data.y;
    spec.full_x = display.x;
    spec.full_y = display.y;
    spec.full_width = display.width;
    spec.full_height = display.height;
    spec.alpha_channel = 3;
    std::vector<float> px(static_cast<std::size_t>(data.width) * data.height * 4);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = i % 4 == 3 ? 1.0f : 0.25f + static_cast<float>(i % 97) / 200;
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out && out->open(path, spec) && out->write_image(OIIO::TypeDesc::FLOAT, px.data()) && out->close());
}

struct Windows {
    const char* name;
    std::vector<pwcli::PixelRect> frames;  // data windows of 48x32 pictures
};

class ExrWindows : public ::testing::TestWithParam<Windows> {};

TEST_P(ExrWindows, AreReadInPlaceAndKept)
{
    TempDir dir;
    const pwcli::PixelRect display{0, 0, 48, 32};
    const auto& frames = GetParam().frames;
    for (std::size_t i = 0; i < frames.size(); ++i) WriteWindowed(Numbered(dir / "in.%04lld.exr", 1 + i), frames[i], display);
    const CliRun run = RunCli({"render", "-i", dir / "in.####.exr", "-q", "-o", dir / "out/f.####.exr"});
    ASSERT_EQ(run.code, 0) << run.err;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        pwcli::ImageFileInfo in, out;
        std::string error;
        ASSERT_TRUE(pwcli::ProbeImage(Numbered(dir / "in.%04lld.exr", 1 + i), in, error)) << error;
        ASSERT_TRUE(pwcli::ProbeImage(Numbered(dir / "out/f.%04lld.exr", 1 + i), out, error)) << error;
        EXPECT_EQ(out.display, display) << i;
        EXPECT_EQ(out.data, frames[i]) << i;
        pwcli::Frame a, b;
        ASSERT_TRUE(pwcli::ReadImage(Numbered(dir / "in.%04lld.exr", 1 + i), pwcli::Depth::kFloat, a, error));
        ASSERT_TRUE(pwcli::ReadImage(Numbered(dir / "out/f.%04lld.exr", 1 + i), pwcli::Depth::kFloat, b, error));
        EXPECT_TRUE(a.pixels == b.pixels) << i;
    }
    // A format without windows gets the picture, and the user is told.
    const CliRun png = RunCli({"render", "-i", dir / "in.####.exr", "-o", dir / "png/f.####.png", "--progress", "none"});
    ASSERT_EQ(png.code, 0) << png.err;
    pwcli::ImageFileInfo flat;
    std::string error;
    ASSERT_TRUE(pwcli::ProbeImage(dir / "png/f.0001.png", flat, error));
    EXPECT_EQ(flat.data, display);
    EXPECT_TRUE(Has(png.err, "data windows")) << png.err;
}

INSTANTIATE_TEST_SUITE_P(All, ExrWindows,
                         ::testing::Values(Windows{"box", {{10, 8, 20, 16}, {10, 8, 20, 16}}},
                                           Windows{"overscan", {{-8, -6, 64, 44}, {-8, -6, 64, 44}}},
                                           Windows{"per_frame", {{0, 0, 48, 32}, {5, 4, 7, 3}, {30, 20, 18, 12}}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Format {
    const char* name;
    std::vector<std::string> args;
    const char* file;
    const char* type;         // of the samples in the file
    const char* attribute;    // one the file must carry, and its value
    const char* value;
};

class Formats : public ::testing::TestWithParam<Format> {};

TEST_P(Formats, WriteTheAskedSamplesAndReadBack)
{
    TempDir dir;
    std::vector<std::string> args = {"render", "-i", "pattern:40x30", "--length", "2", "-q", "--depth", "16",
                                     "--set", "Noise Manual/Auto=Auto", "-o", dir / (std::string("f.%04d.") + GetParam().file)};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string path = dir / (std::string("f.0001.") + GetParam().file);
    auto in = OIIO::ImageInput::open(path);
    ASSERT_TRUE(in) << path;
    EXPECT_EQ(in->spec().format.c_str(), std::string(GetParam().type));
    if (*GetParam().attribute)
        EXPECT_EQ(in->spec().get_string_attribute(GetParam().attribute,
                                                   std::to_string(in->spec().get_int_attribute(GetParam().attribute))),
                  GetParam().value);
    // As an input, the file gives the frame it holds, to the file's precision.
    ASSERT_EQ(RunCli({"render", "-i", dir / (std::string("f.####.") + GetParam().file), "-q", "--depth", "16", "-o",
                      dir / "back/f.%04d.png"})
                  .code,
              0);
    pwcli::Frame a, b;
    std::string error;
    ASSERT_TRUE(pwcli::ReadImage(path, pwcli::Depth::k16, a, error)) << error;
    ASSERT_TRUE(pwcli::ReadImage(dir / "back/f.0001.png", pwcli::Depth::k16, b, error)) << error;
    EXPECT_TRUE(a.pixels == b.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    All, Formats,
    ::testing::Values(Format{"exr_float", {}, "exr", "float", "compression", "zip"},
                      Format{"exr_half", {"--exr-type", "half", "--exr-compression", "piz"}, "exr", "half",
                             "compression", "piz"},
                      Format{"dpx_10_bit", {}, "dpx", "uint16", "oiio:BitsPerSample", "10"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string AudioMd5(const std::string& path)
{
    return Capture("ffmpeg -v error -i '" + path + "' -map 0:a -c copy -f md5 - 2>/dev/null");
}

std::string Streams(const std::string& path)
{
    return Capture("ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 '" + path + "'");
}

struct Sound {
    const char* name;
    const char* output;
    std::vector<std::string> args;
    const char* streams;  // what ffprobe finds, one "codec,type" line each
    bool unchanged;       // the very packets of the input
    const char* says;
};

class Sounds : public ::testing::TestWithParam<Sound> {};

TEST_P(Sounds, GoFromTheInputIntoTheVideo)
{
    TempDir dir;
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc=size=64x48:rate=30 -f lavfi -i "
                           "sine=frequency=440:duration=2 -t 2 -c:v libx264 -pix_fmt yuv420p -c:a aac '" +
                           (dir / "clip.mp4") + "'")
                              .c_str()),
              0);
    std::vector<std::string> args = {"render", "-i", dir / "clip.mp4", "--progress", "none", "-o", dir / GetParam().output};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Streams(dir / GetParam().output), GetParam().streams);
    if (GetParam().unchanged) EXPECT_EQ(AudioMd5(dir / GetParam().output), AudioMd5(dir / "clip.mp4"));
    EXPECT_TRUE(Has(run.err, GetParam().says)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    All, Sounds,
    ::testing::Values(Sound{"prores", "o.mov", {}, "prores,video\naac,audio\n", true, ""},
                      Sound{"lossless", "o.mkv", {}, "ffv1,video\naac,audio\n", true, ""},
                      Sound{"dropped", "o.mov", {"--no-audio"}, "prores,video\n", false, ""},
                      Sound{"webm", "o.webm", {}, "vp9,video\nopus,audio\n", false, "encoded with libopus"},
                      Sound{"part", "o.mkv", {"--frames", "15-44"}, "ffv1,video\naac,audio\n", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
