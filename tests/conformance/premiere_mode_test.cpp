// Our host as Premiere Pro hosts effect plug-ins: "PrMr", no AEGP suite, the editor's timebases and its ways of
// asking for frames. The 64-bit build renders there exactly as in After Effects; the 32-bit build, which
// registers with the host in every application, refuses at global set-up and leaves nothing behind.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "host/editor_requests.h"
#include "render_test_support.h"
#include "settings_oracle.h"

namespace pwtest {
namespace {

using pwhost::FrameResult;
using pwhost::Image;
using pwhost::ParamValue;
using ::testing::IsEmpty;

bool RendersInPremiere() { return !Env().facts->registersInPremiere; }

double RateOf(pwhost::Timebase t) { return static_cast<double>(t.scale) / static_cast<double>(t.step); }

// Another effect instance in its own host, set down when it goes, with nothing left behind.
class Instance {
public:
    explicit Instance(const pwhost::HostSettings& settings) : host(Env().entry)
    {
        host.Settings() = settings;
        for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP})
            EXPECT_EQ(host.Call(cmd).err, PF_Err_NONE) << "command " << cmd;
    }
    ~Instance()
    {
        host.DropPreRender();
        EXPECT_EQ(host.Call(PF_Cmd_SEQUENCE_SETDOWN).err, PF_Err_NONE);
        EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
        EXPECT_THAT(host.Violations(), IsEmpty());
        EXPECT_EQ(host.Handles().LiveCount(), 0u);
        EXPECT_EQ(host.Worlds().LiveCount(), 0u);
    }
    pwhost::Host host;
};

// The same clip in After Effects: a composition at the rate the timebase carries.
pwhost::HostSettings AfterEffectsTwin(pwhost::HostSettings s)
{
    s.application = pwhost::HostApplication::AfterEffects;
    s.applId = PF_APPL_ID_AFTER_EFFECTS;
    s.compFrameRate = RateOf({s.timeScale, s.timeStep});
    return s;
}

struct Clip {
    const char* name;
    pwhost::Timebase timebase;
    double probability;  // of every treatment, on Auto
    std::function<void(pwhost::Host&)> beats;
};

void PrintTo(const Clip& c, std::ostream* os) { *os << c.name; }

// Keys at frames of the host's timebase.
std::vector<pwhost::Keyframe> KeysAt(pwhost::Host& host, std::vector<std::pair<A_long, double>> keys)
{
    std::vector<pwhost::Keyframe> out;
    for (const auto& [frame, value] : keys) out.push_back(host.Key(frame * host.Settings().timeStep, ParamValue::Number(value)));
    return out;
}

void Configure(pwhost::Host& host, const Clip& clip)
{
    host.SetParam("BPM", ParamValue::Number(120));
    for (const char* name : TreatmentNames()) {
        host.SetParam(std::string(name) + " Manual/Auto", ParamValue::Integer(2));
        host.SetParam(std::string(name) + " Probability", ParamValue::Number(clip.probability));
    }
    host.SetParam("Seed", ParamValue::Integer(7));
    if (clip.beats) clip.beats(host);
}

const Clip kDefaultClip{"NtscBpm", pwhost::kNtscTimebase, 0.6, nullptr};
const Clip kEveryTreatmentClip{"NtscEveryTreatment", pwhost::kNtscTimebase, 1.0, nullptr};

bool Clean(const FrameResult& r)
{
    return r.Err() == PF_Err_NONE && r.rendered && r.preRender.command.violations.empty() &&
           r.render.command.violations.empty();
}

// Frame outputs in the given order; each must render cleanly.
std::vector<Image> Outputs(pwhost::Host& host, const std::vector<A_long>& frames)
{
    std::vector<Image> out;
    for (A_long f : frames) {
        const FrameResult r = host.RenderFrame(f * host.Settings().timeStep);
        EXPECT_TRUE(Clean(r)) << "frame " << f << ": error " << r.Err() << " " << r.render.command.ReturnMessage();
        out.push_back(r.render.output);
    }
    return out;
}

TEST(PremiereMode, GlobalSetUpSkipsRegistrationOrRefusesCleanlyIn32Bit)
{
    pwhost::Host host(Env().entry);
    host.Settings().application = pwhost::HostApplication::Premiere;
    const auto r = host.Call(PF_Cmd_GLOBAL_SETUP);
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(r.Count("AEGP_RegisterWithAEGP"), 0u);
    if (RendersInPremiere()) {
        ASSERT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.CountCall("AcquireSuite AEGP Utility Suite 7"), 0u);
        ASSERT_NE(host.GlobalData(), nullptr);
        EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
    } else {
        EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(r.CountCall("AcquireSuite AEGP Utility Suite 7"), 1u) << "refused by the host";
        EXPECT_EQ(host.GlobalData(), nullptr);
    }
    EXPECT_THAT(host.Violations(), IsEmpty());
    EXPECT_EQ(host.Handles().LiveCount(), 0u);
    EXPECT_EQ(host.Broker().TotalHeld(), 0);
    EXPECT_EQ(host.Broker().LiveBlocks(), 0u);
}

// The fixture's host in Premiere mode: the render fixture's frame at a timebase of the editor.
class PremiereFixture : public RenderFixture {
protected:
    void PreparePremiere(PF_PixelFormat format, pwhost::Timebase timebase)
    {
        host_.Settings().application = pwhost::HostApplication::Premiere;
        pwhost::SetTimebase(host_.Settings(), timebase);
        Prepare(format);
    }
    A_long Time(A_long frame) { return frame * host_.Settings().timeStep; }
};

class PremiereClipTest : public PremiereFixture,
                         public ::testing::WithParamInterface<std::tuple<Clip, PF_PixelFormat>> {};

// Every treatment renders in Premiere, and every frame is byte for byte the After Effects composition's of the
// same clip, across beats, BPM keyframes and Manual beats.
TEST_P(PremiereClipTest, FramesEqualTheAfterEffectsComposition)
{
    if (!RendersInPremiere()) GTEST_SKIP() << "the 32-bit build does not set up in Premiere";
    const Clip& clip = std::get<0>(GetParam());
    PreparePremiere(std::get<1>(GetParam()), clip.timebase);
    Configure(host_, clip);
    Instance ae(AfterEffectsTwin(host_.Settings()));
    Configure(ae.host, clip);

    const std::vector<A_long> frames{0, 1, 14, 15, 16, 29, 30, 44, 45, 60, 89};
    const std::vector<Image> premiere = Outputs(host_, frames), afterEffects = Outputs(ae.host, frames);
    int changed = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(premiere[i].bytes == afterEffects[i].bytes) << "frame " << frames[i];
        changed += premiere[i].bytes != host_.InputFrame(Time(frames[i])).bytes;
    }
    EXPECT_GT(changed, 0) << "the clip shows no effect";
}

const Clip kClips[] = {
    kDefaultClip,
    kEveryTreatmentClip,
    {"NtscBpmKeyframes", pwhost::kNtscTimebase, 0.6,
     [](pwhost::Host& h) { h.SetKeyframes("BPM", KeysAt(h, {{0, 100}, {20, 150}, {40, 90}})); }},
    {"NtscManualBeat", pwhost::kNtscTimebase, 0.6,
     [](pwhost::Host& h) {
         h.SetParam("Mode", ParamValue::Integer(2));
         h.SetKeyframes("Beat", KeysAt(h, {{0, 0}, {90, 6.3}}));
     }},
    {"NtscFieldsBpm", pwhost::kNtscFieldsTimebase, 0.6, [](pwhost::Host& h) { h.SetParam("BPM", ParamValue::Number(128)); }},
    {"PalBpmKeyframes", pwhost::kPalTimebase, 0.6,
     [](pwhost::Host& h) { h.SetKeyframes("BPM", KeysAt(h, {{10, 60}, {50, 140}})); }},
};

INSTANTIATE_TEST_SUITE_P(Clips, PremiereClipTest,
                         ::testing::Combine(::testing::ValuesIn(kClips),
                                            ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                                              PF_PixelFormat_ARGB128)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    DepthName(std::get<1>(info.param));
                         });

class PremiereRenderTest : public PremiereFixture, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void SetUp() override
    {
        if (!RendersInPremiere()) GTEST_SKIP() << "the 32-bit build does not set up in Premiere";
        PreparePremiere(GetParam(), pwhost::kNtscTimebase);
        Configure(host_, kDefaultClip);
    }
};

// While the user scrubs, each frame is asked for as an 8-bit half-size draft and at once in full, in the order
// the user moves. The draft has the downsampled look (radii scaled); the full frame is what a host that never
// asked for a draft renders, so nothing of the draft reaches it.
TEST_P(PremiereRenderTest, DraftThenFullWhileScrubbing)
{
    const pwhost::DraftRequest draft{{1, 2}, PF_PixelFormat_ARGB32};
    const std::vector<A_long> scrub{44, 3, 17, 16, 30, 0, 59, 15};
    std::vector<A_long> inOrder = scrub;
    std::sort(inOrder.begin(), inOrder.end());
    Instance ae(AfterEffectsTwin(host_.Settings()));
    Configure(ae.host, kDefaultClip);
    const std::vector<Image> full = Outputs(ae.host, inOrder);
    ae.host.Settings().downsampleX = ae.host.Settings().downsampleY = draft.downsample;
    ae.host.Settings().pixelFormat = draft.format;
    const std::vector<Image> drafts = Outputs(ae.host, inOrder);

    for (A_long f : scrub) {
        const std::size_t k = std::find(inOrder.begin(), inOrder.end(), f) - inOrder.begin();
        const pwhost::EditorFrame pair = pwhost::RenderDraftThenFull(host_, Time(f), draft);
        ASSERT_TRUE(Clean(pair.draft)) << "draft of frame " << f;
        ASSERT_TRUE(Clean(pair.full)) << "frame " << f;
        const pw::RenderSettings d = SettingsFromData(pair.draft.preRender.data);
        const pw::RenderSettings s = SettingsFromData(pair.full.preRender.data);
        EXPECT_EQ(d.downsampleX, 0.5);
        EXPECT_EQ(d.glowRadius, 5);
        EXPECT_EQ(d.maxBlurRadius, 8);
        EXPECT_EQ(s.downsampleX, 1.0);
        EXPECT_EQ(s.glowRadius, 10);
        EXPECT_EQ(s.maxBlurRadius, 15);
        EXPECT_EQ(pair.draft.render.output.width, kRenderWidth / 2);
        EXPECT_EQ(pair.draft.render.output.format, PF_PixelFormat_ARGB32);
        EXPECT_TRUE(pair.draft.render.output.bytes == drafts[k].bytes) << "draft of frame " << f;
        EXPECT_TRUE(pair.full.render.output.bytes == full[k].bytes) << "frame " << f;
        EXPECT_TRUE(host_.UnaccountedHandles().empty());
    }
}

// MediaCore may pre-render twice for one request: the first request's data is let go when the second replaces
// it, and the render gives the frame of a single pre-render.
TEST_P(PremiereRenderTest, PreRenderSentTwiceLeaksNothing)
{
    for (A_long f : {7, 22}) {
        const Image once = Rendered(Time(f));
        const pwhost::TwicePreRendered twice = pwhost::RenderAfterTwoPreRenders(host_, Time(f));
        EXPECT_EQ(twice.first.command.err, PF_Err_NONE);
        EXPECT_THAT(twice.first.command.violations, IsEmpty());
        EXPECT_TRUE(twice.first.pending);
        EXPECT_TRUE(twice.frame.preRender.deleted) << "the first pre-render's data is let go";
        ASSERT_TRUE(Clean(twice.frame)) << "frame " << f;
        EXPECT_TRUE(twice.frame.render.output.bytes == once.bytes) << "frame " << f;
        EXPECT_TRUE(host_.UnaccountedHandles().empty());
    }
}

// Pre-renders the editor never renders: replaced by the next request, dropped, or left pending at set-down.
TEST_P(PremiereRenderTest, PreRenderWithoutRenderLeaksNothing)
{
    const Image expected = Rendered(Time(16));
    host_.Settings().currentTime = Time(15);
    ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
    const FrameResult next = RenderFrame(Time(16));
    EXPECT_TRUE(next.preRender.deleted) << "the unrendered request is let go";
    ASSERT_TRUE(Clean(next));
    EXPECT_TRUE(next.render.output.bytes == expected.bytes);

    host_.Settings().currentTime = Time(30);
    ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
    host_.DropPreRender();
    EXPECT_FALSE(host_.PreRenderPending());
    EXPECT_THAT(host_.Violations(), IsEmpty());
    EXPECT_TRUE(host_.UnaccountedHandles().empty());

    host_.Settings().currentTime = Time(31);
    ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
    EXPECT_TRUE(host_.PreRenderPending()) << "left for the set-down";
}

// Premiere renders with several instances of an effect on several threads at once: four instances, each
// taking the frames in its own order, all give the frames of one instance alone.
TEST_P(PremiereRenderTest, FourInstancesOnFourThreadsRenderAlike)
{
    const std::vector<A_long> frames{0, 7, 15, 16, 29, 44};
    const std::vector<Image> alone = Outputs(host_, frames);
    constexpr std::size_t kThreads = 4;
    std::vector<std::unique_ptr<Instance>> instances;
    for (std::size_t k = 0; k < kThreads; ++k) {
        instances.push_back(std::make_unique<Instance>(host_.Settings()));
        Configure(instances.back()->host, kDefaultClip);
    }
    // The threads only render; every check runs here.
    std::vector<std::vector<FrameResult>> results(kThreads);
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < kThreads; ++k)
        threads.emplace_back([&, k] {
            pwhost::Host& host = instances[k]->host;
            for (std::size_t i = 0; i < frames.size(); ++i)
                results[k].push_back(host.RenderFrame(frames[(i + k) % frames.size()] * host.Settings().timeStep));
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t k = 0; k < kThreads; ++k)
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const std::size_t f = (i + k) % frames.size();
            EXPECT_TRUE(Clean(results[k][i])) << "instance " << k << " frame " << frames[f];
            EXPECT_TRUE(results[k][i].render.output.bytes == alone[f].bytes) << "instance " << k << " frame " << frames[f];
        }
}

INSTANTIATE_TEST_SUITE_P(Depths, PremiereRenderTest,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128),
                         FormatParamName);

// Where the frame rate comes from when the composition's suites are missing: in "PrMr" alone, from the render's
// time values; a step below 1 keeps the frame-rate failure; every other host keeps 516. Suites are withheld by
// the fault plan so that both builds set up (the 32-bit one registers through "AEGP Utility Suite").
struct RateCase {
    const char* name;
    A_long applId;
    std::vector<const char*> withheld;  // of "AEGP PF Interface Suite" 1, "AEGP Layer Suite" 11, "AEGP Comp Suite" 11
    A_long step;                        // at time scale 30000
    PF_Err expected;
    const char* message;
    double rendersAs;  // the composition rate in After Effects that gives the same frame
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

constexpr A_long kOtherApplication = 0x4F544852;  // 'OTHR'
constexpr double kCompRate = 24.0;                // reported where the composition's suites are there
const std::vector<const char*> kAllThree{kAEGPPFInterfaceSuite, kAEGPLayerSuite, kAEGPCompSuite};
constexpr const char* kNoRate = "Pulsewarper needs a composition frame rate above 0.";

const RateCase kRateCases[] = {
    {"AfterEffectsWithoutCompSuite", PF_APPL_ID_AFTER_EFFECTS, {kAEGPCompSuite}, 1001, PF_Err_BAD_CALLBACK_PARAM, nullptr, 0},
    {"AfterEffectsWithoutLayerSuite", PF_APPL_ID_AFTER_EFFECTS, {kAEGPLayerSuite}, 1001, PF_Err_BAD_CALLBACK_PARAM, nullptr, 0},
    {"AfterEffectsWithoutPFInterfaceSuite", PF_APPL_ID_AFTER_EFFECTS, {kAEGPPFInterfaceSuite}, 1001,
     PF_Err_BAD_CALLBACK_PARAM, nullptr, 0},
    {"OtherHostWithoutAny", kOtherApplication, kAllThree, 1001, PF_Err_BAD_CALLBACK_PARAM, nullptr, 0},
    {"PremiereWithAllThree", PF_APPL_ID_PREMIERE, {}, 1001, PF_Err_NONE, nullptr, kCompRate},
    {"PremiereWithoutCompSuite", PF_APPL_ID_PREMIERE, {kAEGPCompSuite}, 1001, PF_Err_NONE, nullptr, 30000.0 / 1001},
    {"PremiereWithoutAny", PF_APPL_ID_PREMIERE, kAllThree, 1001, PF_Err_NONE, nullptr, 30000.0 / 1001},
    {"PremiereStepZero", PF_APPL_ID_PREMIERE, kAllThree, 0, PF_Err_BAD_CALLBACK_PARAM, kNoRate, 0},
    {"PremiereStepNegative", PF_APPL_ID_PREMIERE, kAllThree, -1001, PF_Err_BAD_CALLBACK_PARAM, kNoRate, 0},
};

class FrameRateSourceTest : public RenderFixture, public ::testing::WithParamInterface<RateCase> {};

TEST_P(FrameRateSourceTest, RateComesFromTheCompositionOrInPremiereFromTheTimeValues)
{
    const RateCase& c = GetParam();
    host_.Settings().applId = c.applId;
    host_.Settings().compFrameRate = kCompRate;
    pwhost::SetTimebase(host_.Settings(), pwhost::kNtscTimebase);
    Prepare(PF_PixelFormat_ARGB32);
    Configure(host_, kEveryTreatmentClip);
    const pwhost::HostSettings settings = host_.Settings();
    host_.Settings().timeStep = host_.Settings().localTimeStep = c.step;
    for (const char* suite : c.withheld) host_.Faults().WithholdSuite(suite, suite == kAEGPPFInterfaceSuite ? 1 : 11);

    const FrameResult r = RenderFrame(kFullStrengthFrame * 1001);
    EXPECT_EQ(r.Err(), c.expected) << r.render.command.ReturnMessage();
    EXPECT_EQ(r.render.command.ReturnMessage(), c.message ? c.message : "");
    EXPECT_EQ((r.render.command.after.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0, c.message != nullptr);
    EXPECT_TRUE(host_.UnaccountedHandles().empty());
    EXPECT_EQ(host_.Broker().TotalHeld(), 0);
    if (c.rendersAs == 0) return;
    pwhost::HostSettings twin = AfterEffectsTwin(settings);
    twin.compFrameRate = c.rendersAs;
    Instance ae(twin);
    Configure(ae.host, kEveryTreatmentClip);
    const std::vector<A_long> frames{14, 15, 44, 89};
    const std::vector<Image> expected = Outputs(ae.host, frames), got = Outputs(host_, frames);
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(got[i].bytes == expected[i].bytes) << "frame " << frames[i];
}

INSTANTIATE_TEST_SUITE_P(Table, FrameRateSourceTest, ::testing::ValuesIn(kRateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Panel updates: an editor has no AEGP suite to show or hide streams with, so there they succeed without it and
// leave nothing behind; any other host without the suites still fails with 516.
struct PanelCase {
    const char* name;
    pwhost::HostApplication application;
    A_long applId;
    const char* withheld;  // version 7 of the stream suite, 2 of the effect suite
    PF_Err expected;
};

void PrintTo(const PanelCase& c, std::ostream* os) { *os << c.name; }

class PanelUpdateTest : public ::testing::TestWithParam<PanelCase> {};

TEST_P(PanelUpdateTest, SucceedsInPremiereWithoutAegpSuitesAndNowhereElse)
{
    const PanelCase& c = GetParam();
    if (c.application == pwhost::HostApplication::Premiere && !RendersInPremiere()) GTEST_SKIP() << "refused at set-up";
    pwhost::HostSettings settings;
    settings.application = c.application;
    settings.applId = c.applId;
    Instance instance(settings);
    if (c.withheld) instance.host.Faults().WithholdSuite(c.withheld, c.withheld == std::string(kAEGPStreamSuite) ? 7 : 2);
    for (PF_Cmd cmd : {PF_Cmd_UPDATE_PARAMS_UI, PF_Cmd_USER_CHANGED_PARAM}) {
        const auto r = instance.host.Call(cmd);
        EXPECT_EQ(r.err, c.expected) << "command " << cmd;
        EXPECT_THAT(r.violations, IsEmpty());
    }
    EXPECT_EQ(instance.host.Broker().TotalHeld(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PanelUpdateTest,
    ::testing::Values(
        PanelCase{"Premiere", pwhost::HostApplication::Premiere, PF_APPL_ID_PREMIERE, nullptr, PF_Err_NONE},
        PanelCase{"AfterEffects", pwhost::HostApplication::AfterEffects, PF_APPL_ID_AFTER_EFFECTS, nullptr, PF_Err_NONE},
        PanelCase{"AfterEffectsWithoutStreamSuite", pwhost::HostApplication::AfterEffects, PF_APPL_ID_AFTER_EFFECTS,
                  kAEGPStreamSuite, PF_Err_BAD_CALLBACK_PARAM},
        PanelCase{"OtherHostWithoutEffectSuite", pwhost::HostApplication::AfterEffects, kOtherApplication,
                  kAEGPEffectSuite, PF_Err_BAD_CALLBACK_PARAM}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pwtest
