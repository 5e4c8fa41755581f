// Frames on several threads: each frame once, ordered delivery when asked, a stop that keeps what is finished,
// and the first failure ending the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "report/contact_sheet.h"
#include "report/progress.h"
#include "engine/scheduler.h"

namespace pwcli {
namespace {

Frame Tagged(int frame)
{
    Frame f(1, 1, Depth::k8);
    f.pixels[1] = static_cast<unsigned char>(frame);
    return f;
}

std::vector<int> Range(int n)
{
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i) v[i] = i;
    return v;
}

TEST(Scheduler, OrderedDeliveryIsInFrameOrderWhateverTheThreads)
{
    for (int threads : {1, 2, 5}) {
        std::vector<int> seen;
        std::atomic<bool> stop{false};
        ScheduleCallbacks cb;
        cb.render = [](int, int frame) {
            // Later frames finish first.
            std::this_thread::sleep_for(std::chrono::microseconds((40 - frame) * 50));
            return Tagged(frame);
        };
        cb.deliver = [&](int slot, int frame, Frame& f) {
            EXPECT_EQ(slot, -1);
            EXPECT_EQ(f.pixels[1], frame);
            seen.push_back(frame);
        };
        const ScheduleResult r = RunFrames(Range(40), threads, true, 3, cb, stop);
        EXPECT_EQ(r.delivered, 40);
        EXPECT_FALSE(r.stopped);
        EXPECT_FALSE(r.error);
        EXPECT_EQ(seen, Range(40)) << threads << " threads";
    }
}

TEST(Scheduler, UnorderedDeliveryRendersEachFrameOnce)
{
    std::mutex m;
    std::vector<int> seen;
    std::atomic<bool> stop{false};
    ScheduleCallbacks cb;
    cb.render = [](int, int frame) { return Tagged(frame); };
    cb.deliver = [&](int slot, int frame, Frame&) {
        EXPECT_GE(slot, 0);
        std::lock_guard<std::mutex> lock(m);
        seen.push_back(frame);
    };
    const ScheduleResult r = RunFrames(Range(100), 3, false, 1, cb, stop);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, Range(100));
    EXPECT_EQ(r.delivered, 100);
}

TEST(Scheduler, AStopKeepsTheFramesInFlightAndStartsNoMore)
{
    for (bool ordered : {false, true}) {
        std::atomic<bool> stop{false};
        std::mutex m;
        std::vector<int> seen;
        std::atomic<int> started{0};
        ScheduleCallbacks cb;
        cb.render = [&](int, int frame) {
            if (++started == 5) stop = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return Tagged(frame);
        };
        cb.deliver = [&](int, int frame, Frame&) {
            std::lock_guard<std::mutex> lock(m);
            seen.push_back(frame);
        };
        const ScheduleResult r = RunFrames(Range(50), 2, ordered, 4, cb, stop);
        EXPECT_TRUE(r.stopped);
        EXPECT_FALSE(r.error);
        EXPECT_EQ(r.delivered, static_cast<int>(seen.size()));
        EXPECT_EQ(static_cast<int>(seen.size()), started.load()) << "every started frame is delivered";
        EXPECT_LT(started.load(), 10);
    }
}

TEST(Scheduler, AFrameCancelledByAbortStopsTheRunWithoutFailingIt)
{
    std::atomic<bool> stop{false};
    std::vector<int> seen;
    ScheduleCallbacks cb;
    cb.render = [](int, int frame) {
        if (frame == 4) throw CliError(kExitInterrupted, "stopped by the host's abort");
        return Tagged(frame);
    };
    cb.deliver = [&](int, int frame, Frame&) { seen.push_back(frame); };
    const ScheduleResult r = RunFrames(Range(20), 1, true, 4, cb, stop);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(seen, Range(4));
}

TEST(Scheduler, TheFirstFailureEndsTheRun)
{
    std::atomic<bool> stop{false};
    std::atomic<int> rendered{0};
    ScheduleCallbacks cb;
    cb.render = [&](int, int frame) {
        if (frame == 7) throw CliError(kExitInput, "frame 7 is missing");
        ++rendered;
        return Tagged(frame);
    };
    cb.deliver = [](int, int, Frame&) {};
    const ScheduleResult r = RunFrames(Range(1000), 2, true, 4, cb, stop);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->code, kExitInput);
    EXPECT_LT(rendered.load(), 100);
    EXPECT_FALSE(r.stopped);

    cb.render = [](int, int frame) { return Tagged(frame); };
    cb.deliver = [](int, int frame, Frame&) {
        if (frame == 3) throw CliError(kExitOutput, "disk full");
    };
    const ScheduleResult w = RunFrames(Range(10), 2, true, 4, cb, stop);
    ASSERT_TRUE(w.error);
    EXPECT_EQ(w.error->code, kExitOutput);
    EXPECT_EQ(w.delivered, 3);
}

TEST(ContactSheets, FramesAreSpreadOverTheRange)
{
    EXPECT_EQ(SheetFrames(FrameRange{0, 99}, 4), (std::vector<int>{0, 33, 66, 99}));
    EXPECT_EQ(SheetFrames(FrameRange{10, 12}, 12), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(SheetFrames(FrameRange{5, 50}, 1), (std::vector<int>{5}));
    EXPECT_TRUE(SheetFrames(FrameRange{0, -1}, 4).empty());
}

TEST(ContactSheets, GridWithLabelsAndEmptyCellsForMissingFrames)
{
    SheetSpec spec;
    spec.columns = 3;
    spec.width = 40;
    ContactSheet sheet(spec, {0, 10, 20, 30});
    Frame f(80, 40, Depth::k8);
    std::fill(f.pixels.begin(), f.pixels.end(), 255);
    sheet.Add(0, f, "frame 0  beat 0");
    sheet.Add(20, f, "frame 20  beat 1");
    sheet.Add(5, f, "not on the sheet");
    EXPECT_FALSE(sheet.Has(5));
    const Frame s = sheet.Compose();
    // Three columns of 40 pixels, two rows of 20 + label; 8 pixel gaps.
    EXPECT_EQ(s.width, 8 + 3 * 48);
    EXPECT_EQ(s.height, 8 + 2 * (20 + 13 + 8));
    const unsigned char* first = s.Row(8) + 8 * 4;
    EXPECT_EQ(first[1], 255);  // the white thumbnail
}

TEST(ProgressLines, ShowCountsRateAndTimeLeft)
{
    EXPECT_EQ(Progress::Line(0, 10, 0.0, false), "0/10 frames");
    EXPECT_EQ(Progress::Line(5, 10, 2.0, false), "5/10 frames  2.5 fps  0:02 left");
    EXPECT_EQ(Progress::Line(10, 10, 4.0, true).substr(0, 34), "[##############################]  ");
}

struct Width {
    int columns;
    const char* starts;  // what the line keeps at this width
};

class ProgressWidths : public ::testing::TestWithParam<Width> {};

// A bar wider than the terminal wraps, and every redraw then starts a new line.
TEST_P(ProgressWidths, FitTheTerminal)
{
    const std::string line = Progress::Line(1234567, 10000000, 1000.0, true, GetParam().columns);
    EXPECT_LT(static_cast<int>(line.size()), GetParam().columns) << line;
    EXPECT_EQ(line.rfind(GetParam().starts, 0), 0u) << line;
    EXPECT_NE(line.find("1234567/10000000"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(All, ProgressWidths,
                         ::testing::Values(Width{120, "[###-"}, Width{80, "[###-"}, Width{60, "[##-"},
                                           Width{45, "[##-"}, Width{25, "1234567/"}));

}  // namespace
}  // namespace pwcli
