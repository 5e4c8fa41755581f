// Parameter values over time: interpolation by kind, keyframe search and checkout through both numbers of
// "PF Param Utils Suite", and the accounting of checkouts.
#include <cstring>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using pwhost::Keyframe;
using pwhost::ParamTrack;
using pwhost::ParamValue;

Keyframe K(A_long time, ParamValue v, A_u_long scale = 30) { return Keyframe{A_Time{time, scale}, v}; }

struct TrackCase {
    const char* what;
    PF_ParamType type;
    std::vector<Keyframe> keys;
    A_Time at;
    ParamValue expected;
};

class TrackTest : public ::testing::TestWithParam<TrackCase> {};

TEST_P(TrackTest, ValueAtTime)
{
    const TrackCase& c = GetParam();
    ParamTrack track(c.type, pwhost::KindOf(c.type) == ParamValue::Kind::Number ? ParamValue::Number(0)
                             : pwhost::KindOf(c.type) == ParamValue::Kind::Color ? ParamValue::Color(0, 0, 0, 0)
                                                                                   : ParamValue::Integer(0));
    track.SetKeys(c.keys);
    const ParamValue v = track.ValueAt(c.at);
    EXPECT_TRUE(v == c.expected) << c.what << ": got " << v.number << " / " << v.integer << " / "
                                 << int(v.color.red);
}

INSTANTIATE_TEST_SUITE_P(
    Interpolation, TrackTest,
    ::testing::Values(
        TrackCase{"float midway", PF_Param_FLOAT_SLIDER, {K(0, ParamValue::Number(60)), K(60, ParamValue::Number(120))},
                  {30, 30}, ParamValue::Number(90)},
        TrackCase{"float quarter", PF_Param_FLOAT_SLIDER, {K(0, ParamValue::Number(0)), K(40, ParamValue::Number(1))},
                  {10, 30}, ParamValue::Number(0.25)},
        TrackCase{"before the first key", PF_Param_FLOAT_SLIDER,
                  {K(10, ParamValue::Number(5)), K(20, ParamValue::Number(7))}, {-3, 30}, ParamValue::Number(5)},
        TrackCase{"after the last key", PF_Param_FLOAT_SLIDER,
                  {K(10, ParamValue::Number(5)), K(20, ParamValue::Number(7))}, {99, 30}, ParamValue::Number(7)},
        TrackCase{"exactly on a key", PF_Param_FLOAT_SLIDER,
                  {K(10, ParamValue::Number(5)), K(20, ParamValue::Number(7))}, {20, 30}, ParamValue::Number(7)},
        TrackCase{"other time scale", PF_Param_FLOAT_SLIDER,
                  {K(0, ParamValue::Number(0)), K(2, ParamValue::Number(8), 1)}, {15, 30}, ParamValue::Number(2)},
        TrackCase{"integer half rounds up", PF_Param_SLIDER,
                  {K(0, ParamValue::Integer(0)), K(40, ParamValue::Integer(10))}, {10, 30}, ParamValue::Integer(3)},
        TrackCase{"integer below half", PF_Param_SLIDER,
                  {K(0, ParamValue::Integer(0)), K(30, ParamValue::Integer(10))}, {10, 30}, ParamValue::Integer(3)},
        TrackCase{"negative half rounds away from zero", PF_Param_SLIDER,
                  {K(0, ParamValue::Integer(0)), K(40, ParamValue::Integer(-10))}, {10, 30}, ParamValue::Integer(-3)},
        TrackCase{"percent", PF_Param_FIX_SLIDER, {K(0, ParamValue::Percent(20)), K(60, ParamValue::Percent(60))},
                  {30, 30}, ParamValue::Percent(40)},
        TrackCase{"fixed rounds to the nearest step", PF_Param_FIX_SLIDER,
                  {K(0, ParamValue::Fixed(0)), K(4, ParamValue::Fixed(3))}, {2, 30}, ParamValue::Fixed(2)},
        TrackCase{"popup holds", PF_Param_POPUP, {K(0, ParamValue::Integer(1)), K(20, ParamValue::Integer(3))},
                  {19, 30}, ParamValue::Integer(1)},
        TrackCase{"popup takes the key", PF_Param_POPUP,
                  {K(0, ParamValue::Integer(1)), K(20, ParamValue::Integer(3))}, {20, 30}, ParamValue::Integer(3)},
        TrackCase{"checkbox holds", PF_Param_CHECKBOX, {K(0, ParamValue::Integer(0)), K(20, ParamValue::Integer(1))},
                  {10, 30}, ParamValue::Integer(0)},
        TrackCase{"colour holds", PF_Param_COLOR,
                  {K(0, ParamValue::Color(255, 0, 0, 0)), K(20, ParamValue::Color(255, 200, 200, 200))}, {10, 30},
                  ParamValue::Color(255, 0, 0, 0)},
        TrackCase{"keys given out of order", PF_Param_FLOAT_SLIDER,
                  {K(60, ParamValue::Number(120)), K(0, ParamValue::Number(60))}, {30, 30}, ParamValue::Number(90)}));

TEST(Track, StaticValueWithoutKeysAndWrongKindsAreRefused)
{
    ParamTrack track(PF_Param_FLOAT_SLIDER, ParamValue::Number(3));
    EXPECT_TRUE(track.ValueAt({100, 30}) == ParamValue::Number(3));
    EXPECT_FALSE(track.SetStatic(ParamValue::Number(3))) << "the same value is no change";
    EXPECT_TRUE(track.SetKeys({K(0, ParamValue::Number(1))}));
    EXPECT_TRUE(track.SetStatic(ParamValue::Number(3))) << "dropping keys is a change";
    EXPECT_TRUE(track.Keys().empty());
    EXPECT_THROW(track.SetStatic(ParamValue::Integer(1)), std::invalid_argument);
    EXPECT_THROW(track.SetKeys({K(0, ParamValue::Color(1, 2, 3, 4))}), std::invalid_argument);
    EXPECT_THROW(track.SetKeys({Keyframe{A_Time{0, 0}, ParamValue::Number(1)}}), std::invalid_argument);
}

// A host whose effect declares a float slider "Tempo" (1), a popup "Pick" (2) and a checkbox "Tick" (3).
class KeyframeHostTest : public ::testing::Test {
protected:
    static PF_Err Declare(PF_InData* in)
    {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        def.param_type = PF_Param_FLOAT_SLIDER;
        std::strcpy(def.name, "Tempo");
        def.u.fs_d.value = 120;
        PF_Err err = in->inter.add_param(in->effect_ref, -1, &def);
        std::memset(&def, 0, sizeof def);
        def.param_type = PF_Param_POPUP;
        std::strcpy(def.name, "Pick");
        def.u.pd.value = 1;
        def.u.pd.num_choices = 3;
        if (!err) err = in->inter.add_param(in->effect_ref, -1, &def);
        std::memset(&def, 0, sizeof def);
        def.param_type = PF_Param_CHECKBOX;
        std::strcpy(def.name, "Tick");
        if (!err) err = in->inter.add_param(in->effect_ref, -1, &def);
        return err;
    }

    void Start(FakeScript render)
    {
        plugin_ = std::make_unique<FakePlugin>([render](PF_Cmd cmd, PF_InData* in, PF_OutData* out, void* extra) {
            return cmd == PF_Cmd_PARAMS_SETUP ? Declare(in) : render(cmd, in, out, extra);
        });
        host_ = std::make_unique<pwhost::Host>(plugin_->Entry());
        ASSERT_EQ(host_->Call(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        host_->SetKeyframes("Tempo", {host_->Key(0, ParamValue::Number(60)), host_->Key(30, ParamValue::Number(90)),
                                      host_->Key(90, ParamValue::Number(150))});
    }

    std::unique_ptr<FakePlugin> plugin_;
    std::unique_ptr<pwhost::Host> host_;
};

struct FindCase {
    A_long time;
    PF_TimeDir dir;
    bool found;
    PF_KeyIndex index;
};

class FindKeyframeTest : public KeyframeHostTest, public ::testing::WithParamInterface<FindCase> {};

// Both numbers of the suite, each through its own slot order.
TEST_P(FindKeyframeTest, FindsTheKeyInTheDirectionAskedThroughBothNumbers)
{
    const FindCase c = GetParam();
    std::vector<std::tuple<PF_Boolean, PF_KeyIndex, A_long, A_u_long>> answers;
    Start([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        auto* one = AcquireFrom<PF_ParamUtilsSuiteLegacy1>(in, kPFParamUtilsSuite, 1);
        auto* two = AcquireFrom<PF_ParamUtilsSuite1>(in, kPFParamUtilsSuite, 2);
        for (PF_FindKeyframeTimeFunc find : {one->PF_FindKeyframeTime, two->PF_FindKeyframeTime}) {
            PF_Boolean found = 7;
            PF_KeyIndex index = -9;
            A_long time = -9;
            A_u_long scale = 9;
            const PF_Err err = find(in->effect_ref, 1, c.time, 30, c.dir, &found, &index, &time, &scale);
            if (err) return err;
            answers.emplace_back(found, index, time, scale);
        }
        in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, 1);
        in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, 2);
        return PF_Err_NONE;
    });
    const auto r = host_->Call(PF_Cmd_RENDER);
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    const A_long keyTimes[] = {0, 30, 90};
    for (const auto& [found, index, time, scale] : answers) {
        EXPECT_EQ(found != 0, c.found);
        if (c.found) {
            EXPECT_EQ(index, c.index);
            EXPECT_EQ(time, keyTimes[c.index]);
            EXPECT_EQ(scale, 30u);
        } else {
            EXPECT_EQ(index, -9) << "left alone when nothing is found";
        }
    }
    EXPECT_EQ(answers.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Directions, FindKeyframeTest,
                         ::testing::Values(FindCase{30, PF_TimeDir_LESS_THAN_OR_EQUAL, true, 1},
                                           FindCase{30, PF_TimeDir_LESS_THAN, true, 0},
                                           FindCase{30, PF_TimeDir_GREATER_THAN, true, 2},
                                           FindCase{30, PF_TimeDir_GREATER_THAN_OR_EQUAL, true, 1},
                                           FindCase{45, PF_TimeDir_LESS_THAN_OR_EQUAL, true, 1},
                                           FindCase{-1, PF_TimeDir_LESS_THAN_OR_EQUAL, false, 0},
                                           FindCase{0, PF_TimeDir_LESS_THAN, false, 0},
                                           FindCase{90, PF_TimeDir_GREATER_THAN, false, 0},
                                           FindCase{120, PF_TimeDir_LESS_THAN_OR_EQUAL, true, 2}));

TEST_F(KeyframeHostTest, CheckoutsHandOverValuesAtTheirTimeAndMustBeCheckedIn)
{
    double tempo = 0, key = 0;
    A_long keyTime = 0;
    Start([&](PF_Cmd cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        auto* utils = AcquireFrom<PF_ParamUtilsSuite1>(in, kPFParamUtilsSuite, 2);
        PF_ParamDef def, keyDef;
        PF_Err err = in->inter.checkout_param(in->effect_ref, 1, 60, 1, 30, &def);
        tempo = def.u.fs_d.value;
        A_u_long scale = 0;
        if (!err) err = utils->PF_CheckoutKeyframe(in->effect_ref, 1, 2, &keyTime, &scale, &keyDef);
        key = keyDef.u.fs_d.value;
        if (cmd == PF_Cmd_RENDER) {  // a tidy plug-in
            in->inter.checkin_param(in->effect_ref, &def);
            utils->PF_CheckinKeyframe(in->effect_ref, &keyDef);
        }
        in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, 2);
        return err;
    });
    const auto tidy = host_->Call(PF_Cmd_RENDER);
    EXPECT_EQ(tidy.err, PF_Err_NONE);
    EXPECT_THAT(tidy.violations, IsEmpty());
    EXPECT_EQ(tempo, 120.0) << "90 at 30, 150 at 90";
    EXPECT_EQ(key, 150.0);
    EXPECT_EQ(keyTime, 90);

    const auto sloppy = host_->Call(PF_Cmd_FRAME_SETUP);
    EXPECT_THAT(sloppy.violations, ElementsAre(HasSubstr("parameter 1 was checked out and not checked in"),
                                               HasSubstr("a keyframe of parameter 1 was checked out")));
}

TEST_F(KeyframeHostTest, ParamsArrayHoldsTheValuesAtTheCurrentTime)
{
    double tempo = 0;
    PF_ParamValue pick = 0;
    Start([&](PF_Cmd, PF_InData*, PF_OutData*, void*) -> PF_Err {
        PF_ParamDef** params = FakeParams();
        tempo = params[1]->u.fs_d.value;
        pick = params[2]->u.pd.value;
        params[2]->u.pd.value = 2;  // the host's record stays as it is
        return params[4] == nullptr ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    host_->SetParam("Pick", ParamValue::Integer(3));
    host_->Settings().currentTime = 15;
    EXPECT_EQ(host_->Call(PF_Cmd_UPDATE_PARAMS_UI).err, PF_Err_NONE);
    EXPECT_EQ(tempo, 75.0);
    EXPECT_EQ(pick, 3);
    EXPECT_EQ(host_->ParamAt(1, {60, 30}).u.fs_d.value, 120.0);
    EXPECT_EQ(host_->ParamNow(2).u.pd.value, 3);
    EXPECT_EQ(host_->ParamIndex("Tick"), 3);
    EXPECT_THROW(host_->ParamIndex("Tock"), std::out_of_range);
    EXPECT_THROW(host_->SetParam("Pick", ParamValue::Number(2)), std::invalid_argument);
}

TEST_F(KeyframeHostTest, KeyframeCountAndKeyTimes)
{
    PF_KeyIndex tempoKeys = 0, pickKeys = 0;
    A_long t = 0;
    A_u_long s = 0;
    Start([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        auto* utils = AcquireFrom<PF_ParamUtilsSuiteLegacy1>(in, kPFParamUtilsSuite, 1);
        using Count = PF_Err(PF_CDECL*)(PF_ProgPtr, PF_ParamIndex, PF_KeyIndex*);
        using ToTime = PF_Err(PF_CDECL*)(PF_ProgPtr, PF_ParamIndex, PF_KeyIndex, A_long*, A_u_long*);
        reinterpret_cast<Count>(utils->PF_GetKeyframeCount)(in->effect_ref, 1, &tempoKeys);
        reinterpret_cast<Count>(utils->PF_GetKeyframeCount)(in->effect_ref, 2, &pickKeys);
        const PF_Err err = reinterpret_cast<ToTime>(utils->PF_KeyIndexToTime)(in->effect_ref, 1, 1, &t, &s);
        in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, 1);
        return err;
    });
    EXPECT_EQ(host_->Call(PF_Cmd_RENDER).err, PF_Err_NONE);
    EXPECT_EQ(tempoKeys, 3);
    EXPECT_EQ(pickKeys, PF_KeyIndex_NONE);
    EXPECT_EQ(t, 30);
    EXPECT_EQ(s, 30u);
}

}  // namespace
}  // namespace pwtest
