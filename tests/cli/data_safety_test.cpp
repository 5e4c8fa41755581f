// The renderer never leaves a damaged file under a real name nor reports a lost write as success: a full disk,
// two renders to one output, outputs that would overwrite what is read, and renders stopped by signals.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include <sys/mount.h>
#include <sys/stat.h>

#include "cli_test_support.h"
#include "io/image_file.h"

namespace {

using pwclitest::CliRun;
using pwclitest::Has;
using pwclitest::Exists;
using pwclitest::Names;
using pwclitest::ReadFile;
using pwclitest::RunCli;
using pwclitest::TempDir;

const std::vector<std::string> kLook = {"--set", "Slice Manual/Auto=Auto", "--set", "Noise Manual/Auto=Auto",
                                        "--set", "BPM=240", "-q"};

std::vector<std::string> Render(std::vector<std::string> args)
{
    std::vector<std::string> all = {"render"};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), kLook.begin(), kLook.end());
    return all;
}

// A folder on a nearly full disk: a small tmpfs where the machine lets us mount one, else a file-size limit on
// the renderer and its children, under which a write fails just as on a full disk.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& dir) : dir_(dir)
    {
        std::filesystem::create_directories(dir);
        mounted_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") == 0;
        if (!mounted_) wrapper_ = {"prlimit", "--fsize=4000"};
    }
    ~SmallDisk()
    {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    const std::vector<std::string>& Wrapper() const { return wrapper_; }

private:
    std::string dir_;
    bool mounted_ = false;
    std::vector<std::string> wrapper_;
};

// Every file under its real name is whole; no temporary is left.
void ExpectNothingBroken(const std::string& dir)
{
    for (const std::string& name : Names(dir)) {
        EXPECT_NE(name.rfind(".partial.", 0), 0u) << name;
        if (name[0] == '.') continue;
        pwcli::Frame f;
        std::string error;
        EXPECT_TRUE(pwcli::ReadImage(dir + "/" + name, pwcli::Depth::k8, f, error)) << name << ": " << error;
    }
}

struct FullDiskCase {
    const char* name;
    std::vector<std::string> args;  // "D" stands for the small disk's folder
    bool resumable;
};

class FullDisk : public ::testing::TestWithParam<FullDiskCase> {};

TEST_P(FullDisk, FailsWithTheFileAndTheReasonAndLeavesOnlyWholeFiles)
{
    TempDir dir;
    const std::string disk = dir / "disk";
    SmallDisk small(disk);
    std::vector<std::string> args = {"-i", "pattern:320x180", "--length", "30", "-j", "1"};
    for (const std::string& a : GetParam().args) args.push_back(a == "D" ? disk : a.substr(0, 2) == "D/" ? disk + a.substr(1) : a);
    const CliRun run = RunCli(Render(args), "", small.Wrapper());
    EXPECT_EQ(run.code, 4) << run.err;
    EXPECT_TRUE(Has(run.err, "cannot write " + disk) || Has(run.err, "ffmpeg")) << run.err;
    ExpectNothingBroken(disk);
    if (!GetParam().resumable) return;
    std::vector<std::string> again = args;
    again.push_back("--resume");
    EXPECT_EQ(RunCli(Render(again), "", small.Wrapper()).code, 4);
    ExpectNothingBroken(disk);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FullDisk,
    ::testing::Values(FullDiskCase{"png", {"-o", "D/a.%04d.png"}, true},
                      FullDiskCase{"jpeg", {"-o", "D/a.%04d.jpg"}, true},
                      FullDiskCase{"exr", {"-o", "D/a.%04d.exr", "--exr-compression", "none"}, true},
                      FullDiskCase{"sheet", {"-o", "null", "--contact-sheet", "D/s.png", "--sheet-width", "320"}, false},
                      FullDiskCase{"prores", {"-o", "D/a.mov"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharedOutput, TwoRendersAtOnceBothSucceedWithTheSoloBytes)
{
    TempDir dir;
    const std::vector<std::string> job = {"-i", "pattern:320x180", "--length", "30"};
    for (const char* out : {"a.mov", "s/a.%04d.exr"}) {
        std::vector<std::string> solo = job, shared = job;
        solo.insert(solo.end(), {"-o", dir / ("solo/" + std::string(out))});
        shared.insert(shared.end(), {"-o", dir / ("shared/" + std::string(out))});
        ASSERT_EQ(RunCli(Render(solo)).code, 0);
        for (int round = 0; round < 3; ++round) {
            pwclitest::CliProcess a = pwclitest::StartCli(Render(shared));
            pwclitest::CliProcess b = pwclitest::StartCli(Render(shared));
            const CliRun ra = pwclitest::WaitCli(a), rb = pwclitest::WaitCli(b);
            ASSERT_EQ(ra.code, 0) << ra.err;
            ASSERT_EQ(rb.code, 0) << rb.err;
        }
        const bool video = Has(out, ".mov");
        for (int f = 0; f < (video ? 1 : 30); ++f) {
            char name[64];
            std::snprintf(name, sizeof name, video ? "a.mov" : "s/a.%04d.exr", f);
            EXPECT_EQ(ReadFile(dir / ("shared/" + std::string(name))), ReadFile(dir / ("solo/" + std::string(name))))
                << name;
        }
        ExpectNothingBroken(dir / (video ? "shared" : "shared/s"));
    }
}

struct Clash {
    const char* name;
    std::vector<std::string> args;
    const char* says;
};

class Clashes : public ::testing::TestWithParam<Clash> {};

// Footage: io/f.0000-0002.png and io/clip.mkv. Nothing of it may change.
TEST_P(Clashes, AreRefusedBeforeAnythingIsWritten)
{
    TempDir dir;
    ASSERT_EQ(RunCli(Render({"-i", "pattern:64x48", "--length", "3", "-o", dir / "io/f.%04d.png"})).code, 0);
    ASSERT_EQ(RunCli(Render({"-i", "pattern:64x48", "--length", "3", "-o", dir / "io/clip.mkv"})).code, 0);
    std::map<std::string, std::string> before;
    for (const std::string& n : Names(dir / "io")) before[n] = ReadFile(dir / ("io/" + n));
    const CliRun run = RunCli(Render(GetParam().args), dir.Path());
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_TRUE(Has(run.err, GetParam().says)) << run.err;
    for (const auto& [n, bytes] : before) EXPECT_EQ(ReadFile(dir / ("io/" + n)), bytes) << n;
    EXPECT_EQ(Names(dir / "io").size(), before.size());
    EXPECT_FALSE(Exists(dir / "o8"));
}

INSTANTIATE_TEST_SUITE_P(
    All, Clashes,
    ::testing::Values(
        Clash{"same_sequence", {"-i", "io/f.%04d.png", "-o", "io/f.%04d.png"}, "would overwrite the input"},
        Clash{"other_spelling", {"-i", "io/f.%04d.png", "-o", "./io/../io/f.####.png"}, "would overwrite the input"},
        Clash{"sheet_in_sequence",
              {"-i", "pattern", "--length", "3", "-o", "o8/s.%04d.png", "--contact-sheet", "o8/s.0001.png"},
              "is a file name of the output sequence"},
        Clash{"sheet_is_input", {"-i", "io/f.0001.png", "--length", "2", "-o", "o8/v.mkv", "--contact-sheet", "io/f.0001.png"},
              "is a file of the input"},
        Clash{"video_is_input", {"-i", "io/clip.mkv", "-o", "io/clip.mkv"}, "is the input itself"}),
    [](const auto& info) { return std::string(info.param.name); });

// A render of a video that takes a few seconds, and the moment its encoder has started.
pwclitest::CliProcess StartLongVideo(const std::string& out)
{
    pwclitest::CliProcess p = pwclitest::StartCli(
        Render({"-i", "pattern:480x270", "--length", "600", "-j", "1", "-o", out, "--set", "Blur Manual/Auto=Auto"}));
    const std::string folder = std::filesystem::path(out).parent_path();
    for (int i = 0; i < 1000; ++i) {
        const auto names = Names(folder);
        if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.rfind(".partial.", 0) == 0; }))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return p;
}

struct Stop {
    const char* name;
    std::vector<int> signals;
};

class Stops : public ::testing::TestWithParam<Stop> {};

TEST_P(Stops, LeaveNoTemporaryBehind)
{
    TempDir dir;
    pwclitest::CliProcess p = StartLongVideo(dir / "v/out.mov");
    for (int sig : GetParam().signals) {
        kill(p.pid, sig);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const CliRun run = pwclitest::WaitCli(p);
    EXPECT_NE(run.code, 0);
    // An encoder still finishing its file would show it a moment later.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(Names(dir / "v").empty()) << run.err;
}

INSTANTIATE_TEST_SUITE_P(All, Stops,
                         ::testing::Values(Stop{"hangup", {SIGHUP}}, Stop{"terminate", {SIGTERM}},
                                           Stop{"two_ctrl_c", {SIGINT, SIGINT}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Stops, AKilledRendersLeftoversGoOnTheNextStart)
{
    TempDir dir;
    pwclitest::CliProcess p = StartLongVideo(dir / "v/out.mov");
    kill(p.pid, SIGKILL);
    pwclitest::WaitCli(p);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_FALSE(Names(dir / "v").empty()) << "nothing was left to clean up";
    const CliRun next = RunCli({"render", "-i", "pattern:64x48", "--length", "2", "-o", dir / "v/other.mkv",
                                "--progress", "lines"});
    ASSERT_EQ(next.code, 0) << next.err;
    EXPECT_TRUE(Has(next.err, "removed 1 unfinished file")) << next.err;
    EXPECT_EQ(Names(dir / "v"), std::vector<std::string>{"other.mkv"});
}

}  // namespace
