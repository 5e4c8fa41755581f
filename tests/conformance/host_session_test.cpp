// What the host puts into PF_InData and PF_OutData, the ANSI routines, add_param's copies and the call log.
#include <cmath>
#include <cstring>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(Session, InDataCarriesTheSettings)
{
    PF_InData seen{};
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        seen = *in;
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    host.Call(PF_Cmd_ABOUT);
    EXPECT_EQ(seen.appl_id, 0x46585443);
    EXPECT_EQ(seen.current_time, 0);
    EXPECT_EQ(seen.time_step, 1);
    EXPECT_EQ(seen.time_scale, 30u);
    EXPECT_EQ(seen.downsample_x.num, 1);
    EXPECT_EQ(seen.downsample_x.den, 1u);
    EXPECT_EQ(seen.downsample_y.num, 1);
    EXPECT_EQ(seen.num_params, 1) << "the input layer";
    EXPECT_NE(seen.utils, nullptr);
    EXPECT_NE(seen.pica_basicP, nullptr);
    EXPECT_NE(seen.effect_ref, nullptr);
    EXPECT_NE(seen.inter.add_param, nullptr);
    const PF_ProgPtr first_ref = seen.effect_ref;

    host.Settings().applId = PF_APPL_ID_PREMIERE;
    host.Settings().currentTime = 45;
    host.Settings().timeScale = 25;
    host.Settings().downsampleX = PF_RationalScale{1, 2};
    host.Call(PF_Cmd_ABOUT);
    EXPECT_EQ(seen.appl_id, 0x50724D72);
    EXPECT_EQ(seen.current_time, 45);
    EXPECT_EQ(seen.time_scale, 25u);
    EXPECT_EQ(seen.downsample_x.den, 2u);
    EXPECT_EQ(seen.effect_ref, first_ref) << "one effect instance, one reference";
}

TEST(Session, OutDataIsZeroedOrPatterned)
{
    FakePlugin plugin([](PF_Cmd cmd, PF_InData*, PF_OutData* out, void*) -> PF_Err {
        if (cmd == PF_Cmd_RENDER) out->width = 7;
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    const auto zeroed = host.Call(PF_Cmd_ABOUT);
    PF_OutData zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&zeroed.before, &zero, sizeof zero), 0);
    EXPECT_TRUE(zeroed.OutDataUntouched());

    pwhost::CommandOptions options;
    options.prefillOutData = true;
    const auto patterned = host.Call(PF_Cmd_RENDER, options);
    EXPECT_EQ(static_cast<unsigned char>(patterned.before.return_msg[0]), pwhost::kOutDataPattern);
    EXPECT_FALSE(patterned.OutDataUntouched());
    EXPECT_TRUE(patterned.ReturnMessageUntouched());
}

TEST(Session, MathRoutinesAreTheStandardOnes)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        auto* suite = AcquireFrom<PF_ANSICallbacksSuite1>(in, kPFANSISuite, 1);
        using F1 = double(PF_CDECL*)(double);
        using F2 = double(PF_CDECL*)(double, double);
        const PF_ANSICallbacks& a = in->utils->ansi;
        const bool ok =
            a.ceil(2.25) == 3.0 && a.floor(-2.25) == -3.0 && a.fmod(7.5, 2.0) == 1.5 &&
            reinterpret_cast<F1>(a.sqrt)(2.0) == std::sqrt(2.0) && reinterpret_cast<F2>(a.pow)(2.0, 10.0) == 1024.0 &&
            reinterpret_cast<F2>(a.atan2)(1.0, 0.0) == std::atan2(1.0, 0.0) &&
            reinterpret_cast<F1>(a.exp)(1.0) == std::exp(1.0) && reinterpret_cast<F1>(a.acos)(-1.0) == std::acos(-1.0) &&
            suite->floor(2.5) == 2.0 && reinterpret_cast<F1>(suite->log10)(1000.0) == std::log10(1000.0);
        in->pica_basicP->ReleaseSuite(kPFANSISuite, 1);
        const void* const slots[] = {a.atan, a.cos, a.fabs, a.hypot, a.log, a.sin, a.tan, a.asin,
                                     suite->atan, suite->tan, suite->acos};
        for (const void* slot : slots)
            if (!slot) return PF_Err_INVALID_CALLBACK;
        return ok ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    pwhost::Host host(plugin.Entry());
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.CountCall("fmod 7.5 2"), 1u);
}

// sprintf is the plain routine, except that the host will not let it run past return_msg.
TEST(Session, SprintfStopsAtTheEndOfReturnMsgAndSaysSo)
{
    int written = 0;
    char elsewhere[600];
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        const std::string long_text(300, 'y');
        written = in->utils->ansi.sprintf(out->return_msg, "%s!", long_text.c_str());
        in->utils->ansi.sprintf(elsewhere, "%s!", long_text.c_str());
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    pwhost::CommandOptions options;
    options.prefillOutData = true;
    const auto r = host.Call(PF_Cmd_RENDER, options);
    EXPECT_EQ(r.ReturnMessage(), std::string(255, 'y'));
    EXPECT_EQ(written, 255);
    EXPECT_EQ(std::string(elsewhere), std::string(300, 'y') + "!");
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("sprintf needs 302 bytes in return_msg, 256 left")));
}

TEST(Session, AddParamKeepsItsOwnCopies)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        char choices[32];
        char label[16];
        PF_ParamDef def{};
        std::strcpy(choices, "One|Two|Three");
        def.param_type = PF_Param_POPUP;
        std::strcpy(def.name, "Pick");
        def.u.pd.num_choices = 3;
        def.u.pd.u.namesptr = choices;
        PF_Err err = in->inter.add_param(in->effect_ref, -1, &def);
        std::strcpy(choices, "overwritten");
        std::memset(&def, 0, sizeof def);
        def.param_type = PF_Param_CHECKBOX;
        std::strcpy(label, "Tick");
        def.u.bd.u.nameptr = label;
        if (!err) err = in->inter.add_param(in->effect_ref, -1, &def);
        std::strcpy(label, "gone");
        return err;
    });
    pwhost::Host host(plugin.Entry());
    ASSERT_EQ(host.Call(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
    ASSERT_EQ(host.Params().Count(), 3u);
    EXPECT_EQ(host.Params().Name(1), "Pick");
    EXPECT_STREQ(host.Params().At(1).u.pd.u.namesptr, "One|Two|Three");
    EXPECT_STREQ(host.Params().At(2).u.bd.u.nameptr, "Tick");
    EXPECT_EQ(pwhost::SplitChoices(host.Params().Text(1)), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_THAT(host.Violations(), IsEmpty());
}

TEST(Session, AddParamRefusesOtherIndicesAndForeignEffects)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        PF_ParamDef def{};
        def.param_type = PF_Param_GROUP_END;
        const PF_Err at_five = in->inter.add_param(in->effect_ref, 5, &def);
        int other = 0;
        const PF_Err foreign = in->inter.add_param(reinterpret_cast<PF_ProgPtr>(&other), -1, &def);
        return at_five == PF_Err_INVALID_INDEX && foreign == PF_Err_BAD_CALLBACK_PARAM ? PF_Err_NONE
                                                                                        : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    pwhost::Host host(plugin.Entry());
    const auto r = host.Call(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(host.Params().Count(), 1u);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("add_param at index 5"), HasSubstr("effect_ref")));
}

TEST(Session, CallLogKeepsOrderAndCommand)
{
    FakePlugin plugin([](PF_Cmd cmd, PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        in->utils->ansi.strcpy(out->return_msg, cmd == PF_Cmd_ABOUT ? "first" : "second\r");
        in->inter.progress(in->effect_ref, 1, 3);
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    host.Call(PF_Cmd_ABOUT);
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_THAT(pwhost::Texts(host.Log().Records()),
                ElementsAre("strcpy first", "progress 1 3", "strcpy second\\r", "progress 1 3"));
    EXPECT_EQ(host.Log().Records()[0].command, 1);
    EXPECT_EQ(host.Log().Records()[3].command, 2);
    EXPECT_THAT(pwhost::Texts(r.calls), ElementsAre("strcpy second\\r", "progress 1 3"));
}

}  // namespace
}  // namespace pwtest
