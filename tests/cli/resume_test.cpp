// A resumed render keeps exactly the frames it can trust: complete files, recorded in the sequence's manifest as
// rendered with the same settings. Everything else renders again, and the render says how many and why.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_test_support.h"

namespace {

using pwclitest::CliRun;
using pwclitest::ReadFile;
using pwclitest::RunCli;
using pwclitest::TempDir;

std::string Frame(const std::string& dir, int n) { return pwclitest::Numbered(dir, "f.%04d.png", n); }

std::vector<std::string> Job(const std::string& out, std::vector<std::string> extra)
{
    std::vector<std::string> args = {"render", "-i", "pattern:96x54", "--length", "12", "--progress", "lines",
                                     "-o", out + "/f.%04d.png", "--set", "Slice Manual/Auto=Auto", "--set",
                                     "Glow Manual/Auto=Auto", "--set", "BPM=240", "--seed", "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

struct Change {
    const char* name;
    std::vector<std::string> args;  // of the resumed render
    // Done to the first render's files before resuming.
    void (*damage)(const std::string& dir);
    const char* says;
};

class Resume : public ::testing::TestWithParam<Change> {};

TEST_P(Resume, KeepsOnlyFramesRenderedWithTheseSettingsAndWhole)
{
    TempDir dir;
    ASSERT_EQ(RunCli(Job(dir / "run", {"-j", "2"})).code, 0);
    if (GetParam().damage) GetParam().damage(dir / "run");
    std::vector<std::string> resume = GetParam().args;
    resume.push_back("--resume");
    const CliRun resumed = RunCli(Job(dir / "run", resume));
    ASSERT_EQ(resumed.code, 0) << resumed.err;
    EXPECT_NE(resumed.err.find(GetParam().says), std::string::npos) << resumed.err;
    ASSERT_EQ(RunCli(Job(dir / "fresh", GetParam().args)).code, 0);
    for (int f = 0; f < 12; ++f) EXPECT_EQ(ReadFile(Frame(dir / "run", f)), ReadFile(Frame(dir / "fresh", f))) << f;
}

INSTANTIATE_TEST_SUITE_P(
    All, Resume,
    ::testing::Values(
        Change{"unchanged", {}, nullptr, "kept 12 frames; nothing to render"},
        Change{"seed", {"--seed", "2"}, nullptr, "rendering 12: 12 rendered with other settings (Seed)"},
        Change{"depth", {"--depth", "16"}, nullptr, "12 rendered with other settings (depth)"},
        Change{"keyframe", {"--key", "BPM@4=120"}, nullptr, "12 rendered with other settings (BPM)"},
        Change{"png_without_end_chunk", {},
               [](const std::string& dir) {
                   const std::string bytes = ReadFile(Frame(dir, 3));
                   pwclitest::WriteFile(Frame(dir, 3), bytes.substr(0, bytes.size() - 12));
               },
               "kept 11 frames; rendering 1: 1 damaged or changed since they were written"},
        Change{"no_manifest", {},
               [](const std::string& dir) { std::filesystem::remove(dir + "/.f.####.png.pulsewarper"); },
               "12 with no record of how they were rendered"},
        Change{"missing_frames", {},
               [](const std::string& dir) {
                   std::filesystem::remove(Frame(dir, 0));
                   std::filesystem::remove(Frame(dir, 11));
               },
               "kept 10 frames; rendering 2: 2 not rendered yet"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
