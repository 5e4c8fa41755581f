// What a farm manager relies on: one machine-readable line however a chunk ends, chunks joined into the video one
// machine would write, and a farm job refused before anything is written when it cannot run.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_test_support.h"

namespace {

using pwclitest::CliRun;
using pwclitest::Has;
using pwclitest::ReadFile;
using pwclitest::RunCli;
using pwclitest::TempDir;

const std::vector<std::string> kLook = {"--set", "Slice Manual/Auto=Auto", "--set", "Time Manual/Auto=Auto",
                                        "--set", "Noise Manual/Auto=Auto", "--set", "BPM=240", "-q"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct ReportCase {
    const char* name;
    std::vector<std::string> args;  // "D" stands for the test's folder
    int exit;
    const char* status;
    int rendered, kept;
    const char* says;  // in the message
};

class Report : public ::testing::TestWithParam<ReportCase> {};

TEST_P(Report, IsOneLineOfJsonWhateverHappens)
{
    TempDir dir;
    ASSERT_EQ(RunCli(With({"render", "-i", "pattern:64x48", "--length", "8", "-o", dir / "done/f.%04d.png",
                           "--frames", "0-3"}, kLook)).code, 0);
    std::vector<std::string> args;
    for (const std::string& a : GetParam().args) args.push_back(a.rfind("D/", 0) == 0 ? dir / a.substr(2) : a);
    const CliRun run = RunCli(With(args, {"--report", "json"}));
    EXPECT_EQ(run.code, GetParam().exit) << run.err;
    ASSERT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    const nlohmann::json line = nlohmann::json::parse(run.out);
    EXPECT_EQ(line["status"], GetParam().status);
    EXPECT_EQ(line["exit"], GetParam().exit);
    EXPECT_EQ(line["rendered"], GetParam().rendered);
    EXPECT_EQ(line["kept"], GetParam().kept);
    EXPECT_TRUE(Has(line["message"].get<std::string>(), GetParam().says)) << line.dump();
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, Report,
    ::testing::Values(
        ReportCase{"rendered", With({"render", "-i", "pattern:64x48", "--length", "8", "-o", "D/a/f.%04d.png",
                                     "--frames", "2-6"}, kLook), 0, "ok", 5, 0, ""},
        ReportCase{"resumed", With({"render", "-i", "pattern:64x48", "--length", "8", "-o", "D/done/f.%04d.png",
                                    "--frames", "0-7", "--resume"}, kLook), 0, "ok", 4, 4, ""},
        ReportCase{"bad_option", {"render", "-i", "pattern", "-o", "D/b.mkv", "--frames", "9-2"}, 2, "failed", 0,
                   0, "--frames"},
        ReportCase{"missing_input", {"render", "-i", "D/none/f.%04d.png", "-o", "D/c.mkv"}, 3, "failed", 0, 0,
                   "no files of the sequence"}),
    [](const auto& info) { return std::string(info.param.name); });

class Join : public ::testing::TestWithParam<const char*> {};

// A video encoded from a farm's lossless chunks is the video one render writes, in every depth.
TEST_P(Join, ChunksMakeTheVideoOneRenderMakes)
{
    TempDir dir;
    const std::string depth = GetParam();
    const std::string ext = depth == "float" ? "tif" : "png";
    const std::vector<std::string> job =
        With({"render", "-i", "pattern:96x54", "--length", "12", "--depth", depth}, kLook);
    ASSERT_EQ(RunCli(With(job, {"-o", dir / "one.mkv"})).code, 0);
    for (const char* chunk : {"0-4", "5-11"})
        ASSERT_EQ(RunCli(With(job, {"-o", dir / ("frames/f.%06d." + ext), "--frames", chunk})).code, 0);
    const CliRun joined = RunCli(With(job, {"-o", dir / "joined.mkv", "--from-frames", dir / ("frames/f.%06d." + ext)}));
    ASSERT_EQ(joined.code, 0) << joined.err;
    EXPECT_TRUE(ReadFile(dir / "joined.mkv") == ReadFile(dir / "one.mkv"));

    std::remove((dir / ("frames/f.000007." + ext)).c_str());
    const CliRun gap = RunCli(With(job, {"-o", dir / "gap.mkv", "--from-frames", dir / ("frames/f.%06d." + ext)}));
    EXPECT_EQ(gap.code, 3);
    EXPECT_TRUE(Has(gap.err, "frame 7 was not rendered")) << gap.err;
    EXPECT_FALSE(pwclitest::Exists(dir / "gap.mkv"));
}

INSTANTIATE_TEST_SUITE_P(Depths, Join, ::testing::Values("8", "16", "float"));

struct Refusal {
    const char* name;
    std::vector<std::string> args;  // after "farm"; "D" stands for the test's folder
    const char* says;
};

class FarmRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(FarmRefusal, WritesNothing)
{
    TempDir dir;
    pwclitest::WriteFile(dir / "job.json", R"({"input": "pattern:64x48", "frames": "0-9", "output": {"path": "out.mkv"}})");
    pwclitest::WriteFile(dir / "silent.json", R"({"input": "pattern:64x48", "frames": "0-9"})");
    std::vector<std::string> args = {"farm"};
    for (const std::string& a : GetParam().args) args.push_back(a.rfind("D/", 0) == 0 ? dir / a.substr(2) : a);
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_TRUE(Has(run.err, GetParam().says)) << run.err;
    EXPECT_FALSE(pwclitest::Exists(dir / "job.farm"));
    EXPECT_FALSE(pwclitest::Exists(dir / "silent.farm"));
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, FarmRefusal,
    ::testing::Values(Refusal{"no_scheduler", {}, "farm needs a scheduler"},
                      Refusal{"other_scheduler", {"pbs", "D/job.json"}, "the scheduler this tool writes jobs for"},
                      Refusal{"no_project", {"slurm"}, "needs the project file"},
                      Refusal{"render_option", {"slurm", "D/job.json", "--set", "Seed=3"}, "--set belongs in the project"},
                      Refusal{"no_output", {"slurm", "D/silent.json"}, "nothing to write"},
                      Refusal{"bad_partition", {"slurm", "D/job.json", "--partition", "a b"}, "partition name"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
