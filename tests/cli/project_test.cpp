// Project files and the command line's --set/--key: every kind of value, and every kind of mistake reported
// with its line, key and what would be accepted.
#include <gtest/gtest.h>

#include "cli_error.h"
#include "cli_test_support.h"
#include "params/param_ids.h"
#include "project/demo.h"
#include "project/param_assignment.h"
#include "project/project.h"
#include "project/treatment_check.h"

namespace pwcli {
namespace {

using pwclitest::Facts;

Project Parse(const std::string& text) { return ParseProject(text, "job.json", "/base", Facts().catalog); }

std::string ParseError(const std::string& text)
{
    try {
        Parse(text);
    } catch (const CliError& e) {
        EXPECT_EQ(e.code, kExitUsage);
        return e.what();
    }
    ADD_FAILURE() << "accepted: " << text;
    return "";
}

TEST(ProjectFile, ReadsEveryKindOfValue)
{
    const Project p = Parse(R"({
      "input": "plates/shot.%04d.exr",
      "frames": "10-20", "fps": "30000/1001", "depth": "float", "downsample": 2,
      "params": {
        "Mode": "Manual", "BPM": 128.5, "Slice Manual/Auto": 2, "Scroll Manual": true, "Blur Manual": "on",
        "Color": "#ff8000", "RGB Separation Color 2": [1, 2, 3], "Color Variance": "10,20,30",
        "Max Color Opacity": "50%", "Min Blur Radius": 25, "Glow Radius": 0, "Seed": 30000,
        "color blend mode": "burn", "Ease": 20
      },
      "output": {"path": "out/f.mov", "codec": "prores_ks", "crf": 20, "ffmpeg_args": ["-an"], "audio": false},
      "contact_sheet": {"path": "sheet.png", "frames": 6, "columns": 3, "width": 100}
    })");
    EXPECT_EQ(p.input.kind, InputSpec::Kind::Sequence);
    EXPECT_EQ(p.input.path, "/base/plates/shot.%04d.exr");
    EXPECT_EQ(*p.frames, (FrameRange{10, 20}));
    EXPECT_EQ(*p.fps, (FrameRate{30000, 1001}));
    EXPECT_EQ(*p.depth, Depth::kFloat);
    EXPECT_EQ(p.downsample, 2);
    auto number = [&](int index) { return p.params.at(index).constant.number; };
    EXPECT_EQ(number(pw::PARAM_MODE), 2);
    EXPECT_EQ(number(pw::PARAM_BPM), 128.5);
    EXPECT_EQ(number(pw::PARAM_SLICE_MANUAL_AUTO), 2);
    EXPECT_EQ(number(pw::PARAM_SCROLL_MANUAL), 1);
    EXPECT_EQ(number(pw::PARAM_BLUR_MANUAL), 1);
    EXPECT_EQ(p.params.at(pw::PARAM_COLOR).constant.color, (Rgb{255, 128, 0}));
    EXPECT_EQ(p.params.at(pw::PARAM_RGB_SEPARATION_COLOR_2).constant.color, (Rgb{1, 2, 3}));
    EXPECT_EQ(p.params.at(pw::PARAM_COLOR_VARIANCE).constant.color, (Rgb{10, 20, 30}));
    EXPECT_EQ(number(pw::PARAM_MAX_COLOR_OPACITY), 50);
    EXPECT_EQ(number(pw::PARAM_MIN_BLUR_RADIUS), 25);
    EXPECT_EQ(number(pw::PARAM_GLOW_RADIUS), 0);  // below the slider, inside the valid range
    EXPECT_EQ(number(pw::PARAM_SEED), 30000);
    EXPECT_EQ(number(pw::PARAM_COLOR_BLEND_MODE), 8);
    EXPECT_EQ(number(pw::PARAM_EASE), 20);
    EXPECT_EQ(p.output.path, "/base/out/f.mov");
    EXPECT_EQ(p.output.codec, "prores_ks");
    EXPECT_FALSE(p.output.audio);
    EXPECT_EQ(p.output.crf, "20");
    EXPECT_EQ(p.output.ffmpegArgs, std::vector<std::string>{"-an"});
    EXPECT_EQ(p.sheet.path, "/base/sheet.png");
    EXPECT_EQ(p.sheet.frames, 6);
    EXPECT_EQ(p.sheet.columns, 3);
    EXPECT_EQ(p.sheet.width, 100);
}

TEST(ProjectFile, ReadsKeyframesInFramesAndSeconds)
{
    const Project p = Parse(R"({"input": "pattern", "params": {
      "Beat": {"keyframes": [{"frame": 0, "value": 0}, {"seconds": 2.5, "value": "8"}]},
      "Mode": {"keyframes": [{"frame": 12, "value": "Manual"}]}}})");
    const Track& beat = p.params.at(pw::PARAM_BEAT);
    ASSERT_EQ(beat.keys.size(), 2u);
    EXPECT_FALSE(beat.keys[0].time.seconds);
    EXPECT_TRUE(beat.keys[1].time.seconds);
    EXPECT_EQ(beat.keys[1].time.amount, 2.5);
    EXPECT_EQ(beat.keys[1].value.number, 8);
    EXPECT_EQ(p.params.at(pw::PARAM_MODE).keys.at(0).value.number, 2);

    std::vector<TimedKey> keys;
    std::string error;
    ASSERT_TRUE(ResolveKeys(*Facts().catalog.ByIndex(pw::PARAM_BEAT), beat, FrameRate{30000, 1001}, keys, error));
    EXPECT_EQ(keys[0].time, 0);
    EXPECT_EQ(keys[1].time, 75000);  // 2.5 s at a time scale of 30000
}

TEST(ProjectFile, InputForms)
{
    EXPECT_EQ(Parse(R"({"input": "pattern:320x180"})").input.width, 320);
    EXPECT_EQ(Parse(R"({"input": {"pattern": "64x48", "length": 9}})").input.length, 9);
    EXPECT_EQ(Parse(R"({"input": "clip.mov"})").input.kind, InputSpec::Kind::Video);
    EXPECT_EQ(Parse(R"({"input": "/abs/still.png"})").input.path, "/abs/still.png");
    EXPECT_EQ(Parse(R"({"input": "still.tif"})").input.kind, InputSpec::Kind::Still);
    EXPECT_EQ(*Parse(R"({"input": {"sequence": "s.%d.png", "first": 1001}})").input.first, 1001);
}

TEST(ProjectFile, TheShippedExamplesAreValid)
{
    const Project example = LoadProject(std::string(PW_SOURCE_DIR) + "/docs/example-project.json", Facts().catalog);
    EXPECT_EQ(example.params.at(pw::PARAM_BPM).keys.size(), 2u);
    EXPECT_EQ(example.params.at(pw::PARAM_TIME_MODE).constant.number, 3);
    EXPECT_EQ(example.params.at(pw::PARAM_REST).constant.number, 25);
    EXPECT_EQ(example.output.path, std::string(PW_SOURCE_DIR) + "/docs/renders/clip-glitch.mov");

    const Project demo = Parse(DemoProjectText());
    for (int switchIndex = pw::PARAM_SCROLL_MANUAL_AUTO; switchIndex <= pw::PARAM_TIME_MANUAL_AUTO; ++switchIndex)
        EXPECT_EQ(demo.params.at(switchIndex).constant.number, 2) << "every treatment on Auto";
}

struct BadProject {
    const char* text;
    std::vector<const char*> says;
};

class ProjectMistakes : public ::testing::TestWithParam<BadProject> {};

TEST_P(ProjectMistakes, AreReportedWithWhereAndWhat)
{
    const std::string message = ParseError(GetParam().text);
    for (const char* part : GetParam().says) EXPECT_NE(message.find(part), std::string::npos) << message;
    EXPECT_EQ(message.rfind("job.json: ", 0), 0u) << message;
}

INSTANTIATE_TEST_SUITE_P(
    All, ProjectMistakes,
    ::testing::Values(
        BadProject{"{\"input\": \"pattern\",\n \"params\": {", {"not valid JSON at line 2, column"}},
        BadProject{"[1, 2]", {"a project is a JSON object"}},
        BadProject{"{\n\"ouptut\": \"x.mp4\"}", {"line 2, ouptut: unknown key"}},
        BadProject{"{\"params\": {\n  \"Mode\": 1,\n  \"BPM\": 2000}}",
                   {"line 3, params/BPM: 2000 is out of range", "'BPM' takes a number from 1 to 1800"}},
        BadProject{"{\"params\": {\"Slice Manual Auto\": \"Auto\"}}",
                   {"unknown parameter 'Slice Manual Auto'", "did you mean 'Slice Manual/Auto'"}},
        BadProject{"{\"params\": {\"Scroll Parameters\": 1}}", {"group heading"}},
        BadProject{"{\"params\": {\"Slice Manual/Auto\": \"Automatic\"}}",
                   {"'Automatic' is not a choice", "Manual (1), Auto (2)"}},
        BadProject{"{\"params\": {\"Color Blend Mode\": 2}}", {"is not a choice", "Normal (1), Add (3)"}},
        BadProject{"{\"params\": {\"Color Blend Mode\": 9}}", {"is not a choice"}},
        BadProject{"{\"params\": {\"Scroll Manual\": \"maybe\"}}", {"is not on or off"}},
        BadProject{"{\"params\": {\"Color\": \"#12345\"}}", {"is not a colour", "#RRGGBB"}},
        BadProject{"{\"params\": {\"Color\": [256, 0, 0]}}", {"is not a valid value", "0 to 255"}},
        BadProject{"{\"params\": {\"Seed\": 1.5}}", {"'1.5' is not a whole number", "from 0 to 30000"}},
        BadProject{"{\"params\": {\"Seed\": -1}}", {"-1 is out of range"}},
        BadProject{"{\"params\": {\"Max Color Opacity\": \"101%\"}}", {"101% is out of range", "percentage"}},
        BadProject{"{\"params\": {\"BPM\": \"fast\"}}", {"'fast' is not a number"}},
        BadProject{"{\"params\": {\"BPM\": true}}", {"is not a valid value"}},
        BadProject{"{\"params\": {\"BPM\": null}}", {"is not a valid value"}},
        BadProject{"{\"params\": {\"BPM\": 120, \"bpm\": 130}}", {"given twice"}},
        BadProject{"{\"params\": {\"BPM\": {\"keyframes\": []}}}", {"must be a list"}},
        BadProject{"{\"params\": {\"BPM\": {\"keys\": []}}}", {"unknown key \"keys\""}},
        BadProject{"{\"params\": {\"BPM\": {\"keyframes\": [{\"frame\": 0}]}}}",
                   {"params/BPM/keyframes[0]", "needs one time"}},
        BadProject{"{\"params\": {\"BPM\": {\"keyframes\": [{\"frame\": 0, \"seconds\": 1, \"value\": 60}]}}}",
                   {"needs one time"}},
        BadProject{"{\"params\": {\"BPM\": {\"keyframes\": [{\"frame\": -3, \"value\": 60}]}}}",
                   {"\"frame\" must be a number from 0"}},
        BadProject{"{\"params\": {\"BPM\": {\"keyframes\": [{\"frame\": 0, \"value\": 0}]}}}",
                   {"keyframes[0]", "0 is out of range"}},
        BadProject{"{\"params\": {\"BPM\": {\"keyframes\": [{\"at\": 0, \"value\": 60}]}}}", {"unknown key \"at\""}},
        BadProject{"{\"params\": [1]}", {"params: expected an object"}},
        BadProject{"{\"frames\": \"20-10\"}", {"frames: frame range '20-10' ends before it starts"}},
        BadProject{"{\"frames\": \"a-b\"}", {"is not a frame range"}},
        BadProject{"{\"frames\": [1]}", {"expected \"FIRST-LAST\""}},
        BadProject{"{\"fps\": 0}", {"fps: '0' is not a frame rate between"}},
        BadProject{"{\"fps\": \"abc\"}", {"'abc' is not a frame rate"}},
        BadProject{"{\"depth\": 12}", {"depth: expected 8, 16 or \"float\""}},
        BadProject{"{\"downsample\": 0}", {"downsample: expected a whole number from 1 to 64"}},
        BadProject{"{\"downsample\": 65}", {"from 1 to 64"}},
        BadProject{"{\"input\": {\"video\": \"a.mov\", \"pattern\": \"\"}}", {"exactly one of"}},
        BadProject{"{\"input\": {\"sequence\": \"plain.png\"}}", {"input/sequence", "placeholder"}},
        BadProject{"{\"input\": {\"pattern\": \"huge\"}}", {"WIDTHxHEIGHT"}},
        BadProject{"{\"input\": \"pattern:0x10\"}", {"a pattern's size is WIDTHxHEIGHT"}},
        BadProject{"{\"input\": 3}", {"input: expected a file name"}},
        BadProject{"{\"output\": {}}", {"an output needs a \"path\""}},
        BadProject{"{\"output\": {\"path\": \"a.mp4\", \"bitrate\": 1}}", {"output/bitrate: unknown key"}},
        BadProject{"{\"contact_sheet\": {\"path\": \"s.png\", \"frames\": 0}}", {"from 1 to 400"}}));

TEST(CommandLineValues, SetOverridesAndKeyReplacesTheProjectValue)
{
    Project p = Parse(R"({"params": {"BPM": {"keyframes": [{"frame": 0, "value": 60}]}, "Seed": 4}})");
    ApplySet(p, Facts().catalog, "BPM = 128");
    EXPECT_FALSE(p.params.at(pw::PARAM_BPM).Animated());
    EXPECT_EQ(p.params.at(pw::PARAM_BPM).constant.number, 128);

    std::set<int> keyed;
    ApplyKey(p, Facts().catalog, "Seed@0=1", keyed);
    ApplyKey(p, Facts().catalog, "Seed@2s=9", keyed);
    const Track& seed = p.params.at(pw::PARAM_SEED);
    ASSERT_EQ(seed.keys.size(), 2u);  // the project's constant 4 is gone, both keys kept
    EXPECT_EQ(seed.keys[1].value.number, 9);
    EXPECT_TRUE(seed.keys[1].time.seconds);
}

struct BadAssignment {
    bool key;
    const char* text;
    const char* says;
};

class AssignmentMistakes : public ::testing::TestWithParam<BadAssignment> {};

TEST_P(AssignmentMistakes, NameTheOptionAndTheFault)
{
    Project p;
    std::set<int> keyed;
    try {
        if (GetParam().key) ApplyKey(p, Facts().catalog, GetParam().text, keyed);
        else ApplySet(p, Facts().catalog, GetParam().text);
        ADD_FAILURE() << "accepted " << GetParam().text;
    } catch (const CliError& e) {
        EXPECT_EQ(e.code, kExitUsage);
        EXPECT_NE(std::string(e.what()).find(GetParam().says), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().key ? "--key '" : "--set '", 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(All, AssignmentMistakes,
                         ::testing::Values(BadAssignment{false, "BPM", "expected NAME=VALUE"},
                                           BadAssignment{false, "=3", "expected NAME=VALUE"},
                                           BadAssignment{false, "Bmp=120", "did you mean 'BPM'"},
                                           BadAssignment{false, "BPM=0.5", "0.5 is out of range"},
                                           BadAssignment{false, "Manual=1", "group heading"},
                                           BadAssignment{true, "BPM=3", "expected NAME@TIME=VALUE"},
                                           BadAssignment{true, "BPM@x=3", "not a keyframe time"},
                                           BadAssignment{true, "BPM@-1=3", "not a keyframe time"},
                                           BadAssignment{true, "BPM@1s=", "is not a number"},
                                           BadAssignment{true, "Nope@1=3", "unknown parameter 'Nope'"}));

TEST(CommandLineValues, TwoKeyframesAtOneTimeAreRefused)
{
    Project p;
    std::set<int> keyed;
    ApplyKey(p, Facts().catalog, "BPM@30=60", keyed);
    ApplyKey(p, Facts().catalog, "BPM@1s=90", keyed);
    std::vector<TimedKey> keys;
    std::string error;
    EXPECT_FALSE(ResolveKeys(*Facts().catalog.ByIndex(pw::PARAM_BPM), p.params.at(pw::PARAM_BPM), FrameRate{30, 1},
                             keys, error));
    EXPECT_NE(error.find("two keyframes at the same time"), std::string::npos) << error;
}

// The readers keep as many decoded frames as the Time treatment can reach: a beat at the slowest tempo, none when
// Time never fires.
TEST(TimeReach, IsABeatAtTheSlowestTempoTimeCanFireAt)
{
    struct Case {
        std::vector<std::string> sets, keys;
        FrameRate rate;
        int reach;
    };
    const Case cases[] = {
        {{}, {}, {30, 1}, 0},
        {{"Time Manual/Auto=Auto", "Time Probability=0"}, {}, {30, 1}, 0},
        {{"Time Manual/Auto=Auto", "BPM=120"}, {}, {30, 1}, 15},
        {{"Time Manual/Auto=Auto", "BPM=110"}, {}, {30, 1}, 17},
        {{"Time Manual=on", "BPM=120"}, {}, {30000, 1001}, 15},
        {{"Time Manual/Auto=Auto"}, {"BPM@0=120", "BPM@2s=40", "BPM@4s=90"}, {30, 1}, 45},
        {{"Time Manual=on"}, {}, {60, 1}, 20},  // the default tempo, 180
    };
    for (const Case& c : cases) {
        Project p;
        std::set<int> keyed;
        for (const std::string& s : c.sets) ApplySet(p, Facts().catalog, s);
        for (const std::string& k : c.keys) ApplyKey(p, Facts().catalog, k, keyed);
        EXPECT_EQ(TimeReach(p, Facts().catalog, c.rate), c.reach) << ::testing::PrintToString(c.sets);
    }
}

}  // namespace
}  // namespace pwcli
