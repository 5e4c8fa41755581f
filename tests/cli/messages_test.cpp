// What a user is told: every refusal names the file, key or value with what is accepted, in the tool's own
// words; a write to standard output that fails is a failure; a render that cannot show the look says so.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_test_support.h"

extern char** environ;

namespace {

using pwclitest::CliRun;
using pwclitest::Has;
using pwclitest::RunCli;
using pwclitest::TempDir;
using pwclitest::WriteFile;

uint32_t Crc(const std::string& bytes)
{
    uint32_t c = 0xffffffffu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

std::string Be32(uint32_t v)
{
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

// A PNG whose header claims `side` x `side` pixels (and holds nothing more).
void WriteHugePngHeader(const std::string& path, uint32_t side)
{
    const std::string ihdr = "IHDR" + Be32(side) + Be32(side) + std::string("\x08\x06\x00\x00\x00", 5);
    const std::string idat = "IDAT" + std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    const std::string iend = "IEND";
    WriteFile(path, std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + ihdr + Be32(Crc(ihdr)) + Be32(8) + idat +
                        Be32(Crc(idat)) + Be32(0) + iend + Be32(Crc(iend)));
}

struct Said {
    const char* name;
    void (*setup)(const TempDir& dir);
    std::vector<std::string> args;
    int code;
    std::vector<const char*> says;
};

class Messages : public ::testing::TestWithParam<Said> {};

TEST_P(Messages, NameWhatIsWrongInTheToolsOwnWords)
{
    TempDir dir;
    if (GetParam().setup) GetParam().setup(dir);
    const CliRun run = RunCli(GetParam().args, dir.Path());
    EXPECT_EQ(run.code, GetParam().code) << run.err;
    for (const char* part : GetParam().says) EXPECT_TRUE(Has(run.err + run.out, part)) << run.err << run.out;
    EXPECT_FALSE(Has(run.err, "exception")) << run.err;
    EXPECT_FALSE(Has(run.err, "with error 516")) << run.err;
}

void Project(const TempDir& dir, const std::string& text) { WriteFile(dir / "job.json", text); }

// Files 1001, 1002 and 1005 of s.####.png.
void GappedSequence(const TempDir& d)
{
    for (int n : {1001, 1002, 1005})
        ASSERT_EQ(RunCli({"render", "-i", "pattern:16x16", "--length", "1", "-q", "-o", d / "s.%04d.png",
                          "--start-number", std::to_string(n)})
                      .code,
                  0);
}

INSTANTIATE_TEST_SUITE_P(
    All, Messages,
    ::testing::Values(
        Said{"number_overflow",
             [](const TempDir& d) {
                 Project(d, "{\n  \"input\": \"pattern\",\n  \"output\": \"o.%04d.png\",\n  \"params\": {\n"
                            "    \"Seed\": 1e999\n  }\n}\n");
             },
             {"render", "job.json"}, 2, {"job.json: line 5, params/Seed: the number 1e999 is too large"}},
        Said{"duplicate_key",
             [](const TempDir& d) {
                 Project(d, "{\"input\": \"pattern\", \"output\": \"o.%04d.png\",\n \"params\": {\"Seed\": 1,\n"
                            "  \"Seed\": 2}}\n");
             },
             {"render", "job.json"}, 2, {"job.json: line 3, params/Seed: \"Seed\" is given twice", "first on line 2"}},
        Said{"codec_of_a_sequence",
             [](const TempDir& d) {
                 Project(d, "{\"input\": \"pattern\", \"output\": {\"path\": \"o.%04d.png\", \"codec\": \"x\"}}");
             },
             {"render", "job.json"}, 2, {"codec, crf and ffmpeg_args are for a video output"}},
        Said{"codec_of_another_container",
             [](const TempDir& d) {
                 Project(d, "{\"input\": {\"pattern\": \"32x24\", \"length\": 2}, "
                            "\"output\": {\"path\": \"o.mov\", \"codec\": \"prores_ks\"}}");
             },
             {"render", "job.json", "-o", "o.mp4", "-q"}, 0, {}},
        Said{"huge_image", [](const TempDir& d) { WriteHugePngHeader(d / "big.png", 100000); },
             {"render", "-i", "big.png", "-o", "o.mp4"}, 3,
             {"big.png is 100000x100000 pixels; the renderer takes frames of at most 16384 pixels a side"}},
        Said{"gap_in_sequence", GappedSequence, {"render", "-i", "s.####.png", "-o", "null"}, 3,
             {"has no files 1003-1004"}},
        Said{"gap_outside_the_frames", GappedSequence, {"render", "-i", "s.####.png", "-o", "null", "--frames", "0-1"},
             0, {}},
        Said{"no_treatment_can_fire", nullptr, {"render", "-i", "pattern:16x16", "--length", "2", "-o", "null"}, 0,
             {"warning: no treatment can fire"}},
        Said{"start_number_of_a_video", nullptr, {"render", "-i", "pattern", "-o", "o.mp4", "--start-number", "5"}, 2,
             {"--start-number applies to an image-sequence output"}},
        Said{"exr_options_of_png", nullptr, {"render", "-i", "pattern", "-o", "o.%04d.png", "--exr-type", "half"}, 2,
             {"--exr-type and --exr-compression apply to an .exr sequence output"}},
        Said{"exr_compression", nullptr, {"render", "-i", "pattern", "-o", "o.%04d.exr", "--exr-compression", "lzma"},
             2, {"--exr-compression 'lzma': expected one of zip, none, rle"}},
        Said{"version", nullptr, {"--version"}, 0, {"pulsewarper 1.1", "plug-in: Pulsewarper, v1."}}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs the program with its standard output on `fd`; the exit code and standard error.
CliRun RunWithStdout(const std::vector<std::string>& args, int fd)
{
    char errName[] = "/tmp/pw-stdout-err-XXXXXX";
    const int errFd = mkstemp(errName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    std::vector<std::string> argv = {PW_CLI_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = -1;
    CliRun run;
    if (posix_spawn(&pid, PW_CLI_BINARY, &actions, nullptr, raw.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(errFd);
    run.err = pwclitest::ReadFile(errName);
    unlink(errName);
    return run;
}

class LostStdout : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(LostStdout, IsAnOutputFailureOnAFullDeviceAndAClosedPipe)
{
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    const CliRun onFull = RunWithStdout(GetParam(), full);
    close(full);
    EXPECT_EQ(onFull.code, 4) << onFull.err;
    EXPECT_TRUE(Has(onFull.err, "cannot write to standard output: No space left on device")) << onFull.err;

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);  // nobody reads
    const CliRun onPipe = RunWithStdout(GetParam(), ends[1]);
    close(ends[1]);
    EXPECT_EQ(onPipe.code, 4) << onPipe.err;
    EXPECT_TRUE(Has(onPipe.err, "cannot write to standard output: Broken pipe")) << onPipe.err;
}

INSTANTIATE_TEST_SUITE_P(All, LostStdout,
                         ::testing::Values(std::vector<std::string>{"params"}, std::vector<std::string>{"help"},
                                           std::vector<std::string>{"params", "--json"},
                                           std::vector<std::string>{"render", "-i", "pattern", "--beats", "--frames",
                                                                    "0-20"}));

TEST(Trace, RecordsTheCallsOfEveryFrameInAFile)
{
    TempDir dir;
    const CliRun run = RunCli({"render", "-i", "pattern:32x24", "--length", "3", "-j", "2", "-q", "-o", "null",
                               "--set", "Mosaic Manual/Auto=Auto", "--trace", dir / "calls.txt"});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string trace = pwclitest::ReadFile(dir / "calls.txt");
    std::size_t layers = 0;
    for (std::size_t at = trace.find("checkout_layer_pixels"); at != std::string::npos;
         at = trace.find("checkout_layer_pixels", at + 1))
        ++layers;
    EXPECT_EQ(layers, 3u) << trace.substr(0, 2000);
}

}  // namespace
