// Beats found in music made here with known beat times: how close the grid comes, the frames the effect counts
// from it, the listing formats read back, and every request that cannot be met refused before anything is written.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli_error.h"
#include "cli_test_support.h"
#include "music/beat_grid.h"
#include "music/beat_tracker.h"
#include "synth_music.h"

namespace {

using pwclitest::CliRun;
using pwclitest::Has;
using pwclitest::RunCli;
using pwclitest::TempDir;
using pwtest::Voice;

struct MusicCase {
    const char* name;
    double bpm, first, seconds;
    Voice voice;
    double endBpm, pauseFrom, pauseTo;
    double leastRecall;  // within 25 ms
};

class Accuracy : public ::testing::TestWithParam<MusicCase> {};

TEST_P(Accuracy, BeatsLandWithin25ms)
{
    const MusicCase& c = GetParam();
    const pwtest::SynthTrack track =
        pwtest::MakeTrack(c.bpm, c.first, c.seconds, c.voice, c.endBpm, c.pauseFrom, c.pauseTo);
    const pwcli::BeatGrid grid = pwcli::FindBeatGrid(pwcli::ListenTo(track.samples, pwtest::kSynthRate), c.name);
    std::vector<double> found;
    for (const pwcli::GridBeat& b : grid.beats) found.push_back(b.seconds);
    const pwtest::BeatScore s = pwtest::ScoreBeats(found, track.beats, 0.025);
    std::printf("%-22s true %3zu  found %3zu  within 25 ms %5.1f %%  precision %5.1f %%  F %.3f  %.1f BPM\n", c.name,
                track.beats.size(), found.size(), 100 * s.recall, 100 * s.precision, s.fMeasure, grid.bpm);
    EXPECT_GE(s.recall, c.leastRecall);
    EXPECT_GE(s.fMeasure, c.leastRecall);
}

INSTANTIATE_TEST_SUITE_P(
    Synthetic, Accuracy,
    ::testing::Values(MusicCase{"click 60 from 0.80 s", 60, 0.80, 40, Voice::Click, 0, -1, -1, 0.95},
                      MusicCase{"click 120 from 0.37 s", 120, 0.37, 30, Voice::Click, 0, -1, -1, 0.95},
                      MusicCase{"click 180 from 0.21 s", 180, 0.21, 30, Voice::Click, 0, -1, -1, 0.95},
                      MusicCase{"drums 95 from 0.50 s", 95, 0.50, 30, Voice::Drums, 0, -1, -1, 0.95},
                      MusicCase{"drums 140 from 0.12 s", 140, 0.12, 30, Voice::Drums, 0, -1, -1, 0.95},
                      MusicCase{"drums 170 from 0.05 s", 170, 0.05, 30, Voice::Drums, 0, -1, -1, 0.95},
                      MusicCase{"drums ramp 90 to 150", 90, 0.30, 40, Voice::Drums, 150, -1, -1, 0.9},
                      MusicCase{"drums 120, pause 12-18 s", 120, 0.25, 30, Voice::Drums, 0, 12, 18, 0.9}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return n;
    });

// A clip whose sound is a click track at 120 BPM from 0.37 s: the test pattern as picture.
std::string MakeClip(const TempDir& dir, const std::string& rate, std::vector<double>& beats)
{
    const pwtest::SynthTrack track = pwtest::MakeTrack(120, 0.37, 6, Voice::Click);
    beats = track.beats;
    EXPECT_TRUE(pwtest::WriteWav(dir / "clicks.wav", track.samples));
    const std::string clip = dir / "clip.mp4";
    EXPECT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=96x54:rate=" + rate + " -i '" +
                           dir / "clicks.wav" + "' -t 6 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest '" + clip + "'")
                              .c_str()),
              0);
    return clip;
}

struct FrameBeat {
    int frame, beat;
    double phase;
    bool attack;
};

std::vector<FrameBeat> BeatTable(const std::string& out)
{
    std::vector<FrameBeat> rows;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        FrameBeat r{};
        double seconds = 0, envelope = 0;
        int end = 0;
        if (std::sscanf(line.c_str(), "%d %lf %d %lf %lf%n", &r.frame, &seconds, &r.beat, &r.phase, &envelope, &end) < 5)
            continue;
        r.attack = line[static_cast<std::size_t>(end)] == 'a';
        rows.push_back(r);
    }
    return rows;
}

struct RenderCase {
    const char* name;
    const char* rate;
    std::vector<std::string> args;
};

class OnTheMusic : public ::testing::TestWithParam<RenderCase> {};

// Every frame counts the clicks before it, and the frame at a click starts a burst.
TEST_P(OnTheMusic, FramesCountTheClicksAndBurstOnThem)
{
    TempDir dir;
    std::vector<double> clicks;
    const std::string clip = MakeClip(dir, GetParam().rate, clicks);
    std::vector<std::string> args = {"render", "-i", clip, "--beats-from", "audio", "--beats"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.code, 0) << run.err;
    const double fps = GetParam().rate == std::string("30") ? 30 : 30000.0 / 1001;
    int checked = 0, bursts = 0, last = -1;
    for (const FrameBeat& r : BeatTable(run.out)) {
        const double t = r.frame / fps;
        if (t > clicks.back() + 0.5 - 0.025) break;  // the last beat lasts one beat, then the count holds
        double nearest = 1e9;
        int before = 0;
        for (double c : clicks) {
            nearest = std::min(nearest, std::fabs(c - t));
            before += c <= t;
        }
        if (nearest > 0.025 + 0.5 / fps) {
            EXPECT_EQ(r.beat, before) << "frame " << r.frame;
            ++checked;
        }
        if (last >= 0 && r.beat != last) {
            // A new beat starts on the frame nearest a click, at the start of the envelope's attack.
            EXPECT_LE(nearest, 0.025 + 0.5 / fps) << "frame " << r.frame;
            EXPECT_TRUE(r.attack) << "frame " << r.frame;
            EXPECT_LT(r.phase, 0.07) << "frame " << r.frame;
            ++bursts;
        }
        last = r.beat;
    }
    EXPECT_GT(checked, 120);
    EXPECT_GE(bursts, static_cast<int>(clicks.size()) - 1);
}

INSTANTIATE_TEST_SUITE_P(Clip, OnTheMusic,
                         ::testing::Values(RenderCase{"Beat_30", "30", {}},
                                           RenderCase{"Bpm_30", "30", {"--beats-as", "bpm"}},
                                           RenderCase{"Beat_NTSC", "30000/1001", {}},
                                           RenderCase{"Bpm_NTSC", "30000/1001", {"--beats-as", "bpm"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The listings agree with each other, and the params fragment renders the very beats --beats-from gives.
TEST(BeatsCommand, ListingsAgreeAndTheFragmentReadsBack)
{
    TempDir dir;
    std::vector<double> clicks;
    const std::string clip = MakeClip(dir, "30", clicks);
    const CliRun json = RunCli({"beats", dir / "clicks.wav", "--format", "json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    const CliRun csv = RunCli({"beats", dir / "clicks.wav", "--format", "csv"});
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), static_cast<long>(doc["beats"].size()) + 1);
    EXPECT_NEAR(doc["bpm"].get<double>(), 120, 1);
    const CliRun bpm = RunCli({"beats", dir / "clicks.wav", "--beats-as", "bpm", "--format", "json"});
    ASSERT_EQ(bpm.code, 0) << bpm.err;
    EXPECT_LT(nlohmann::json::parse(bpm.out)["worst_ms"].get<double>(), 2.0);
    // A project names the music from its own folder, as --beats-from does from the working one.
    pwclitest::WriteFile(dir / "job.json", R"({"beats_from": "clicks.wav", "beats_as": "bpm"})");
    const CliRun project = RunCli({"render", dir / "job.json", "-i", clip, "--beats"});
    const CliRun option = RunCli({"render", "-i", clip, "--beats-from", dir / "clicks.wav", "--beats-as", "bpm", "--beats"});
    ASSERT_EQ(project.code, 0) << project.err;
    EXPECT_EQ(project.out, option.out);
    for (const char* as : {"beat", "bpm"}) {
        const CliRun frag = RunCli({"beats", dir / "clicks.wav", "--beats-as", as, "--format", "params", "-o", dir / "frag.json", "-q"});
        ASSERT_EQ(frag.code, 0) << frag.err;
        const CliRun direct = RunCli({"render", "-i", clip, "--beats-from", dir / "clicks.wav", "--beats-as", as, "--beats"});
        const CliRun back = RunCli({"render", dir / "frag.json", "-i", clip, "--beats"});
        ASSERT_EQ(back.code, 0) << back.err;
        std::vector<FrameBeat> a = BeatTable(direct.out), b = BeatTable(back.out);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].beat, b[i].beat) << as << " frame " << i;
            EXPECT_EQ(a[i].phase, b[i].phase) << as << " frame " << i;
        }
    }
}

struct Refusal {
    const char* name;
    std::vector<std::string> args;  // "D/" stands for the test's folder
    int exit;
    const char* says;
};

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, WithAClearMessageAndNothingWritten)
{
    TempDir dir;
    pwtest::WriteWav(dir / "noise.wav", pwtest::MakeNoise(8, 0.5).samples);
    pwtest::WriteWav(dir / "silence.wav", pwtest::MakeNoise(8, 0).samples);
    pwtest::WriteWav(dir / "clicks.wav", pwtest::MakeTrack(120, 0.37, 8, Voice::Click).samples);
    pwclitest::WriteFile(dir / "junk.wav", "RIFF, but not really");
    pwclitest::WriteFile(dir / "bad-as.json", R"({"beats_from": "clicks.wav", "beats_as": "bars"})");
    ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=96x54:rate=30 -t 2 -c:v libx264 -pix_fmt "
                           "yuv420p '" + dir / "mute.mp4" + "'").c_str()), 0);
    std::vector<std::string> args;
    for (std::string a : GetParam().args) args.push_back(a.rfind("D/", 0) == 0 ? dir / a.substr(2) : a);
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.code, GetParam().exit) << run.err;
    EXPECT_TRUE(Has(run.err, GetParam().says)) << run.err;
    EXPECT_FALSE(pwclitest::Exists(dir / "out.mp4"));
}

INSTANTIATE_TEST_SUITE_P(
    Music, Refused,
    ::testing::Values(
        Refusal{"Noise", {"render", "-i", "D/mute.mp4", "--beats-from", "D/noise.wav", "-o", "D/out.mp4"}, 2, "no steady beat"},
        Refusal{"Silence", {"render", "-i", "D/mute.mp4", "--beats-from", "D/silence.wav", "-o", "D/out.mp4"}, 2, "is silent"},
        Refusal{"ClipWithoutSound", {"render", "-i", "D/mute.mp4", "--beats-from", "audio", "-o", "D/out.mp4"}, 2, "has no audio track"},
        Refusal{"PatternHasNoSound", {"render", "-i", "pattern", "--beats-from", "audio", "-o", "D/out.mp4"}, 2, "not a video"},
        Refusal{"MissingFile", {"render", "-i", "D/mute.mp4", "--beats-from", "D/gone.wav", "-o", "D/out.mp4"}, 3, "gone.wav: no such file"},
        Refusal{"Unreadable", {"render", "-i", "D/mute.mp4", "--beats-from", "D/junk.wav", "-o", "D/out.mp4"}, 3, "cannot read the music"},
        Refusal{"UnreadableListing", {"beats", "D/junk.wav"}, 3, "cannot read the music"},
        Refusal{"EditWithoutSource", {"render", "-i", "D/mute.mp4", "--beats-every", "4", "-o", "D/out.mp4"}, 2, "need --beats-from"},
        Refusal{"EveryZero", {"beats", "D/clicks.wav", "--beats-every", "0"}, 2, "--beats-every '0'"},
        Refusal{"OffsetPastTheEnd", {"beats", "D/clicks.wav", "--beat-offset", "-100"}, 2, "before the start"},
        Refusal{"ProjectBeatsAs", {"render", "D/bad-as.json", "-i", "D/mute.mp4", "-o", "D/out.mp4"}, 2, "beats_as"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
