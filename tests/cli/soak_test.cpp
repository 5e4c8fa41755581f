// A long render holds the same memory at its end as after its first frames: nothing is kept per frame.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <thread>

#include <sys/wait.h>

#include "cli_test_support.h"

namespace {

// Resident memory of the heap and stacks: what a render keeps per frame would show there. Pages of the program's
// libraries come and go with the machine's memory pressure and say nothing of it.
long ResidentKb(int pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
    return -1;
}

// The frames done, from the last "N/M frames" line of the progress so far.
int FramesDone(const std::string& progress)
{
    static const std::regex line(R"((\d+)/\d+ frames)");
    int done = 0;
    for (std::sregex_iterator it(progress.begin(), progress.end(), line), end; it != end; ++it)
        done = std::stoi((*it)[1]);
    return done;
}

TEST(Soak, ResidentMemoryStaysFlatOverThousandsOfFrames)
{
    constexpr int kFrames = 5000;
    pwclitest::CliProcess p = pwclitest::StartCli(
        {"render", "-i", "pattern:320x180", "--length", std::to_string(kFrames), "-j", "1", "-o", "null",
         "--progress", "lines", "--set", "Mosaic Manual/Auto=Auto", "--set", "Mosaic Probability=1", "--set",
         "Max Mosaic Size=0.05", "--set", "Noise Manual/Auto=Auto", "--set", "Noise Probability=1"});
    ASSERT_GT(p.pid, 0);
    long baseline = -1, peak = -1;
    int baselineFrames = 0, lastFrames = 0;
    // The shell that starts the program execs it: the pid is the renderer's.
    while (waitpid(p.pid, nullptr, WNOHANG) == 0) {
        const long rss = ResidentKb(p.pid);
        const int done = FramesDone(pwclitest::ReadFile(p.errFile));
        if (rss > 0 && done >= 100) {
            if (baseline < 0) {
                baseline = rss;
                baselineFrames = done;
            }
            peak = std::max(peak, rss);
            lastFrames = done;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string progress = pwclitest::ReadFile(p.errFile);
    std::remove(p.outFile.c_str());
    std::remove(p.errFile.c_str());
    ASSERT_GE(baseline, 0) << progress;
    ASSERT_GT(lastFrames, baselineFrames + 1000) << "too few samples to judge: " << progress;
    EXPECT_LT(peak - baseline, 4 * 1024) << "RSS grew from " << baseline << " kB at frame " << baselineFrames
                                         << " to " << peak << " kB by frame " << lastFrames;
}

}  // namespace
