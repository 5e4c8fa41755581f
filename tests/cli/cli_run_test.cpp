// The built program as people and scripts use it: exit codes and messages, byte-identical output whatever the
// threads or shards, resuming after Ctrl-C, videos through ffmpeg, the beat table.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

#include "cli_test_support.h"
#include "io/image_file.h"

namespace {

using pwclitest::CliRun;
using pwclitest::Has;
using pwclitest::Exists;
using pwclitest::ReadFile;
using pwclitest::RunCli;
using pwclitest::TempDir;

std::string Frame(const std::string& dir, int n) { return pwclitest::Numbered(dir, "f.%04d.png", n); }

const std::vector<std::string> kAllAuto = {
    "--set", "Scroll Manual/Auto=Auto", "--set", "Slice Manual/Auto=Auto", "--set", "Stretch Manual/Auto=Auto",
    "--set", "RGB Separation Manual/Auto=Auto", "--set", "Color Manual/Auto=Auto", "--set", "Glow Manual/Auto=Auto",
    "--set", "Blur Manual/Auto=Auto", "--set", "Mosaic Manual/Auto=Auto", "--set", "Noise Manual/Auto=Auto",
    "--set", "Time Manual/Auto=Auto", "--set", "BPM=240", "--seed", "3"};

std::vector<std::string> Job(std::vector<std::string> extra)
{
    std::vector<std::string> args = {"render", "-i", "pattern:64x48", "--length", "48", "--progress", "none"};
    args.insert(args.end(), kAllAuto.begin(), kAllAuto.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

struct Mistake {
    std::vector<std::string> args;
    int code;
    std::vector<const char*> says;
};

class Mistakes : public ::testing::TestWithParam<Mistake> {};

TEST_P(Mistakes, ExitWithTheirCodeAndSayWhatToChange)
{
    TempDir dir;
    const CliRun run = RunCli(GetParam().args, dir.Path());
    EXPECT_EQ(run.code, GetParam().code) << run.err;
    for (const char* part : GetParam().says) EXPECT_TRUE(Has(run.err, part)) << run.err;
    // Nothing half-written: the folder holds no output (the demo's project file aside).
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    All, Mistakes,
    ::testing::Values(
        Mistake{{"bogus"}, 2, {"unknown command 'bogus'"}},
        Mistake{{"render", "--bogus"}, 2, {"unknown option '--bogus'"}},
        Mistake{{"render", "--threads"}, 2, {"--threads needs a value"}},
        Mistake{{"render", "--threads", "0"}, 2, {"--threads '0': expected a whole number from 1 to 256"}},
        Mistake{{"render", "--resume=yes"}, 2, {"--resume takes no value"}},
        Mistake{{"render", "-o", "x.mp4"}, 2, {"no input"}},
        Mistake{{"render", "-i", "pattern"}, 2, {"nothing to write"}},
        Mistake{{"render", "-i", "pattern", "-o", "out.png"}, 2, {"needs a frame-number placeholder"}},
        Mistake{{"render", "-i", "pattern", "-o", "out.xyz"}, 2, {"not an image sequence", ".mp4"}},
        Mistake{{"render", "-i", "pattern", "-o", "o.mp4", "--resume"}, 2, {"--resume needs an image-sequence"}},
        Mistake{{"render", "-i", "pattern", "-o", "o.mp4", "--shard", "1/2"}, 2, {"--shard needs an image-sequence"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--shard", "3/2"}, 2, {"1 <= I <= N"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--set", "BPM=9000"}, 2,
                {"--set 'BPM=9000': 9000 is out of range; 'BPM' takes a number from 1 to 1800"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--set", "Slice Manual/Auto=Sometimes"}, 2,
                {"one of: Manual (1), Auto (2)"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--set", "Colour=#ff0000"}, 2, {"did you mean 'Color'"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--key", "BPM@1=60", "--key", "BPM@1f=90"}, 2,
                {"two keyframes at the same time"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--frames", "0-500", "--length", "100"}, 2,
                {"the input has 100 frames (0 to 99)"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--fps", "0"}, 2, {"--fps: '0' is not a frame rate"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.png", "--host", "avid"}, 2,
                {"--host 'avid': expected aftereffects or premiere"}},
        Mistake{{"render", "-i", "pattern", "-o", "f.%04d.gif"}, 2, {"image files are written as .png, .tif, .exr, .dpx or .jpg"}},
        Mistake{{"render", "missing.json"}, 2, {"missing.json: cannot open the project file"}},
        Mistake{{"render", "-i", "missing.mov", "-o", "o.mp4"}, 3, {"cannot read missing.mov"}},
        Mistake{{"render", "-i", "missing.%04d.png", "-o", "o.mp4"}, 3, {"no files of the sequence"}},
        Mistake{{"render", "-i", "missing.png", "-o", "o.mp4"}, 3, {"cannot read missing.png"}},
        Mistake{{"params", "--plugin", "/nonexistent/plugin.so"}, 1, {"/nonexistent/plugin.so"}}));

TEST(Cli, HelpListsTheExitCodes)
{
    const CliRun run = RunCli({"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(Has(run.out, "Exit codes:"));
    EXPECT_TRUE(Has(run.out, "130  interrupted"));
    EXPECT_EQ(RunCli({}).code, 0);
}

TEST(Cli, ParamsComeFromThePluginItself)
{
    const CliRun run = RunCli({"params"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(Has(run.out, "76 parameters"));
    EXPECT_TRUE(Has(run.out, "Ease"));
    EXPECT_TRUE(Has(run.out, "choices: Normal, Add, Multiply, Screen, Overlay, Dodge, Burn"));
    const CliRun json = RunCli({"params", "--json"});
    EXPECT_EQ(json.code, 0);
    EXPECT_TRUE(Has(json.out, "\"name\": \"RGB Separation Color 1\""));
}

TEST(Cli, UnwritableOutputIsAnOutputFault)
{
    TempDir dir;
    pwclitest::WriteFile(dir / "file", "x");
    const CliRun run = RunCli(Job({"--frames", "0-1", "-o", dir / "file/sub/f.%04d.png"}));
    EXPECT_EQ(run.code, 4) << run.err;
    EXPECT_TRUE(Has(run.err, "cannot make the folder")) << run.err;
}

TEST(Cli, OutputBytesDoNotDependOnThreadsOrShards)
{
    TempDir dir;
    ASSERT_EQ(RunCli(Job({"--frames", "0-23", "-j", "1", "-o", dir / "one/f.%04d.png"})).code, 0);
    ASSERT_EQ(RunCli(Job({"--frames", "0-23", "-j", "3", "-o", dir / "three/f.%04d.png"})).code, 0);
    // The host as an examiner (padded, guarded worlds) gives the same frames as the host in production.
    ASSERT_EQ(RunCli(Job({"--frames", "0-23", "-j", "2", "--check", "-o", dir / "checked/f.%04d.png"})).code, 0);
    for (const char* shard : {"1/3", "2/3", "3/3"}) {
        const CliRun run = RunCli(Job({"--frames", "0-23", "-j", "2", "--shard", shard, "-o", dir / "shards/f.%04d.png",
                                       "--contact-sheet", dir / "sheet.png"}));
        ASSERT_EQ(run.code, 0) << run.err;
    }
    EXPECT_TRUE(Exists(dir / "sheet-shard1of3.png"));
    EXPECT_TRUE(Exists(dir / "sheet-shard3of3.png"));
    EXPECT_FALSE(Exists(dir / "sheet.png"));
    for (int f = 0; f < 24; ++f) {
        const std::string one = ReadFile(Frame(dir / "one", f));
        ASSERT_FALSE(one.empty()) << f;
        EXPECT_EQ(one, ReadFile(Frame(dir / "three", f))) << "frame " << f;
        EXPECT_EQ(one, ReadFile(Frame(dir / "checked", f))) << "frame " << f;
        EXPECT_EQ(one, ReadFile(Frame(dir / "shards", f))) << "frame " << f;
    }
    EXPECT_FALSE(Exists(Frame(dir / "shards", 24)));
    // The frames differ from each other: the effect did something.
    EXPECT_NE(ReadFile(Frame(dir / "one", 0)), ReadFile(Frame(dir / "one", 13)));
}

TEST(Cli, ResumeAfterCtrlCFinishesTheSequenceExactly)
{
    TempDir dir;
    const std::vector<std::string> job = {"render", "-i", "pattern:480x270", "--length", "400", "-j", "1",
                                          "--progress", "lines", "-o", dir / "run/f.%04d.png", "--set",
                                          "Blur Manual/Auto=Auto", "--set", "Glow Manual/Auto=Auto"};
    pwclitest::CliProcess p = pwclitest::StartCli(job);
    // Interrupt once a few frames are on disk.
    for (int i = 0; i < 600 && !Exists(Frame(dir / "run", 2)); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(p.pid, SIGINT);
    const CliRun stopped = pwclitest::WaitCli(p);
    ASSERT_EQ(stopped.code, 130) << stopped.err;
    EXPECT_TRUE(Has(stopped.err, "stopped after")) << stopped.err;
    EXPECT_TRUE(Has(stopped.err, "--resume")) << stopped.err;
    int kept = 0;
    while (Exists(Frame(dir / "run", kept))) ++kept;
    ASSERT_GE(kept, 3);
    ASSERT_LT(kept, 400) << "the render finished before the interruption";
    for (const auto& entry : std::filesystem::directory_iterator(dir / "run"))
        EXPECT_EQ(entry.path().filename().string().rfind(".partial", 0), std::string::npos) << entry.path();
    // A damaged finished frame is rendered again, a whole one is not.
    pwclitest::WriteFile(Frame(dir / "run", 1), ReadFile(Frame(dir / "run", 1)).substr(0, 100));

    std::vector<std::string> resume = job;
    resume.insert(resume.end(), {"--resume", "--frames", "0-" + std::to_string(kept + 4)});
    const CliRun resumed = RunCli(resume);
    ASSERT_EQ(resumed.code, 0) << resumed.err;
    EXPECT_TRUE(Has(resumed.err, "kept " + std::to_string(kept - 1) + " frames; rendering 6: 1 damaged or changed since "
                                 "they were written, 5 not rendered yet")) << resumed.err;

    // Against a fresh render of the same frames.
    std::vector<std::string> fresh = job;
    fresh[fresh.size() - 5] = dir / "fresh/f.%04d.png";
    fresh.insert(fresh.end(), {"--frames", "0-" + std::to_string(kept + 4), "-j", "2"});
    ASSERT_EQ(RunCli(fresh).code, 0);
    for (int f = 0; f <= kept + 4; ++f) EXPECT_EQ(ReadFile(Frame(dir / "run", f)), ReadFile(Frame(dir / "fresh", f))) << f;
}

TEST(Cli, VideoThroughFfmpegLosslessRoundTrip)
{
    TempDir dir;
    // A lossless video (FFV1, alpha kept) made by the renderer reads back as the same frames.
    ASSERT_EQ(RunCli(Job({"--frames", "0-5", "-o", dir / "clip.mkv"})).code, 0);
    ASSERT_EQ(RunCli(Job({"--frames", "0-5", "-o", dir / "seq/f.%04d.png"})).code, 0);
    const CliRun again = RunCli({"render", "-i", dir / "clip.mkv", "--progress", "none", "--set", "BPM=240", "-o",
                                 dir / "copy/f.%04d.png"});
    ASSERT_EQ(again.code, 0) << again.err;
    // The plain effect (every treatment on Manual and off) passes frames through.
    for (int f = 0; f < 6; ++f) {
        pwcli::Frame a, b;
        std::string error;
        ASSERT_TRUE(pwcli::ReadImage(Frame(dir / "seq", f), pwcli::Depth::k8, a, error)) << error;
        ASSERT_TRUE(pwcli::ReadImage(Frame(dir / "copy", f), pwcli::Depth::k8, b, error)) << error;
        EXPECT_TRUE(a.pixels == b.pixels) << "frame " << f;
    }
    EXPECT_FALSE(Exists(dir / "copy/f.0006.png"));
    // An mp4 with a contact sheet, and a failing encoder leaves no file behind.
    const CliRun mp4 = RunCli(Job({"--frames", "0-3", "-o", dir / "clip.mp4", "--contact-sheet", dir / "sheet.png"}));
    ASSERT_EQ(mp4.code, 0) << mp4.err;
    EXPECT_TRUE(Exists(dir / "clip.mp4"));
    EXPECT_TRUE(Exists(dir / "sheet.png"));
    const CliRun bad = RunCli(Job({"--frames", "0-3", "-o", dir / "bad.mp4", "--codec", "no-such-codec"}));
    EXPECT_EQ(bad.code, 4) << bad.err;
    EXPECT_TRUE(Has(bad.err, "ffmpeg")) << bad.err;
    EXPECT_FALSE(Exists(dir / "bad.mp4"));
    EXPECT_FALSE(Exists(dir / ".partial.bad.mp4"));
}

TEST(Cli, SequenceInputKeepsItsDepthAndPassesThroughUntouched)
{
    // Sixteen-bit frames numbered from 1001; the effect with nothing switched on hands them back unchanged.
    TempDir dir;
    std::vector<pwcli::Frame> frames;
    for (int i = 0; i < 3; ++i) {
        pwcli::Frame f(20, 10, pwcli::Depth::k16);
        for (std::size_t b = 0; b < f.pixels.size(); b += 2) {
            const uint16_t v = static_cast<uint16_t>((b * 131 + i * 977) % (pwcli::kWhite16 + 1));
            std::memcpy(&f.pixels[b], &v, 2);
        }
        std::string error;
        ASSERT_TRUE(pwcli::WriteImage(dir / ("in." + std::to_string(1001 + i) + ".png"), f, error)) << error;
        frames.push_back(f);
    }
    // The plate's numbers carry over to the render, unless another start is asked for.
    const CliRun run = RunCli({"render", "-i", dir / "in.####.png", "-o", dir / "out/f.%04d.png", "--progress", "none"});
    ASSERT_EQ(run.code, 0) << run.err;
    ASSERT_EQ(RunCli({"render", "-i", dir / "in.####.png", "-o", dir / "zero/f.%04d.png", "-q", "--start-number", "0"}).code, 0);
    for (int i = 0; i < 3; ++i) {
        pwcli::Frame back, zero;
        std::string error;
        ASSERT_TRUE(pwcli::ReadImage(Frame(dir / "out", 1001 + i), pwcli::Depth::k16, back, error)) << error;
        ASSERT_TRUE(pwcli::ReadImage(Frame(dir / "zero", i), pwcli::Depth::k16, zero, error)) << error;
        EXPECT_TRUE(back.pixels == frames[i].pixels) << "frame " << i;
        EXPECT_TRUE(zero.pixels == frames[i].pixels) << "frame " << i;
    }
    EXPECT_FALSE(Exists(Frame(dir / "out", 1004)));
    EXPECT_FALSE(Exists(Frame(dir / "out", 0)));
    const CliRun gap = RunCli({"render", "-i", dir / "in.####.png", "-o", "null", "--frames", "0-5"});
    EXPECT_EQ(gap.code, 2);
    EXPECT_TRUE(Has(gap.err, "the input has 3 frames (0 to 2)")) << gap.err;
}

TEST(Cli, DepthsAndFormatsOfSequences)
{
    TempDir dir;
    for (const char* out : {"a/f.%04d.png", "b/f.%04d.tif", "c/f.%04d.exr"})
        for (const char* depth : {"8", "16", "float"}) {
            const std::string target = dir / (std::string(depth) + out);
            const CliRun run = RunCli(Job({"--frames", "2", "--depth", depth, "-o", target}));
            ASSERT_EQ(run.code, 0) << run.err;
            pwcli::ImageFileInfo info;
            std::string error;
            char name[64];
            std::snprintf(name, sizeof name, "%s", target.c_str());
            const std::string file = target.substr(0, target.size() - 10) + "f.0002" + target.substr(target.size() - 4);
            ASSERT_TRUE(pwcli::ProbeImage(file, info, error)) << error;
            const bool png = Has(out, ".png"), exr = Has(out, ".exr");
            pwcli::Depth want = pwcli::Depth::k8;
            pwcli::ParseDepth(depth, want);
            if (png && want == pwcli::Depth::kFloat) want = pwcli::Depth::k16;
            if (exr) want = pwcli::Depth::kFloat;
            EXPECT_EQ(info.depth, want) << out << " at " << depth;
        }
}

TEST(Cli, BeatTableIsPrintedWithoutRendering)
{
    TempDir dir;
    const CliRun run = RunCli({"render", "-i", "pattern", "--beats", "--frames", "0-3", "--set", "BPM=120", "--set",
                               "Slice Manual/Auto=Auto", "--set", "Glow Manual/Auto=Auto"},
                              dir.Path());
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "frame   seconds     beat   phase  envelope  fires"));
    EXPECT_TRUE(Has(run.out, "    0     0.000        0  0.0000    0.0000a Slice, Glow")) << run.out;
    EXPECT_TRUE(Has(run.out, "    3     0.100        0  0.2000")) << run.out;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(Cli, DemoWritesAVideoAndAContactSheetAndSaysWhere)
{
    TempDir dir;
    const CliRun run = RunCli({"demo", "--out", dir / "demo", "--frames", "0-11", "--progress", "none"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "demo/pulsewarper-demo.mp4"));
    EXPECT_TRUE(Has(run.out, "demo/pulsewarper-demo-sheet.png"));
    EXPECT_TRUE(Exists(dir / "demo/pulsewarper-demo.mp4"));
    EXPECT_TRUE(Exists(dir / "demo/pulsewarper-demo-sheet.png"));
}

}  // namespace
