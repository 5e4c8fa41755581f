// The AEGP services: the effect's layer, composition and frame rate; effect and stream references that must be
// disposed of within their command; and the hidden flags kept per parameter stream.
#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Suites {
    const AEGP_PFInterfaceSuite1* pf;
    const AEGP_LayerSuite5* layer;
    const AEGP_CompSuite5* comp;
    const AEGP_EffectSuite2* effect;
    const AEGP_StreamSuite2* stream;
    const AEGP_DynamicStreamSuite2* dynamic;
};

Suites Acquire(PF_InData* in)
{
    return Suites{AcquireFrom<AEGP_PFInterfaceSuite1>(in, kAEGPPFInterfaceSuite, 1),
                  AcquireFrom<AEGP_LayerSuite5>(in, kAEGPLayerSuite, 11),
                  AcquireFrom<AEGP_CompSuite5>(in, kAEGPCompSuite, 11),
                  AcquireFrom<AEGP_EffectSuite2>(in, kAEGPEffectSuite, 2),
                  AcquireFrom<AEGP_StreamSuite2>(in, kAEGPStreamSuite, 7),
                  AcquireFrom<AEGP_DynamicStreamSuite2>(in, kAEGPDynamicStreamSuite, 2)};
}

void Release(PF_InData* in)
{
    in->pica_basicP->ReleaseSuite(kAEGPPFInterfaceSuite, 1);
    in->pica_basicP->ReleaseSuite(kAEGPLayerSuite, 11);
    in->pica_basicP->ReleaseSuite(kAEGPCompSuite, 11);
    in->pica_basicP->ReleaseSuite(kAEGPEffectSuite, 2);
    in->pica_basicP->ReleaseSuite(kAEGPStreamSuite, 7);
    in->pica_basicP->ReleaseSuite(kAEGPDynamicStreamSuite, 2);
}

PF_Err FrameRate(PF_InData* in, double& fps)
{
    const Suites s = Acquire(in);
    AEGP_LayerH layer = nullptr;
    AEGP_CompH comp = nullptr;
    PF_Err err = s.pf->AEGP_GetEffectLayer(in->effect_ref, &layer);
    if (!err) err = s.layer->AEGP_GetLayerParentComp(layer, &comp);
    if (!err) err = s.comp->AEGP_GetCompFramerate(comp, &fps);
    Release(in);
    return err;
}

struct RateCase {
    double setting;
    const char* failing;  // the operation that fails, or null
};

class FrameRateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameRateTest, LayerCompositionAndItsFrameRate)
{
    const RateCase c = GetParam();
    double fps = -1;
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) { return FrameRate(in, fps); });
    pwhost::Host host(plugin.Entry());
    host.Settings().compFrameRate = c.setting;
    if (c.failing) host.Faults().FailNth(c.failing, 1, A_Err_GENERIC);
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_THAT(r.violations, IsEmpty());
    if (c.failing) {
        EXPECT_EQ(r.err, A_Err_GENERIC);
        EXPECT_EQ(host.Faults().Fired(c.failing), 1);
    } else {
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(fps, c.setting);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, FrameRateTest,
                         ::testing::Values(RateCase{30, nullptr}, RateCase{29.97, nullptr}, RateCase{0, nullptr},
                                           RateCase{25, "AEGP_GetEffectLayer"},
                                           RateCase{25, "AEGP_GetLayerParentComp"},
                                           RateCase{25, "AEGP_GetCompFramerate"}));

TEST(Streams, HiddenFlagsStayWithTheParameterAndReferencesAreCounted)
{
    FakePlugin plugin([&](PF_Cmd cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        if (cmd == PF_Cmd_PARAMS_SETUP) {
            PF_ParamDef def;
            std::memset(&def, 0, sizeof def);
            def.param_type = PF_Param_CHECKBOX;
            std::strcpy(def.name, "One");
            in->inter.add_param(in->effect_ref, -1, &def);
            std::strcpy(def.name, "Two");
            return in->inter.add_param(in->effect_ref, -1, &def);
        }
        const Suites s = Acquire(in);
        AEGP_EffectRefH effect = nullptr;
        AEGP_StreamRefH one = nullptr, two = nullptr;
        PF_Err err = s.pf->AEGP_GetNewEffectForEffect(1001, in->effect_ref, &effect);
        if (!err) err = s.stream->AEGP_GetNewEffectStreamByIndex(1001, effect, 1, &one);
        if (!err) err = s.stream->AEGP_GetNewEffectStreamByIndex(1001, effect, 2, &two);
        if (!err) err = s.dynamic->AEGP_SetDynamicStreamFlag(one, AEGP_DynStreamFlag_HIDDEN, 0, cmd == PF_Cmd_RENDER);
        if (!err) err = s.dynamic->AEGP_SetDynamicStreamFlag(two, AEGP_DynStreamFlag_DISABLED, 0, 1);
        if (cmd != PF_Cmd_FRAME_SETUP) {  // the sloppy command keeps its references
            if (two) s.stream->AEGP_DisposeStream(two);
            if (one) s.stream->AEGP_DisposeStream(one);
            if (effect) s.effect->AEGP_DisposeEffect(effect);
        }
        Release(in);
        return err;
    });
    pwhost::Host host(plugin.Entry());
    ASSERT_EQ(host.Call(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);

    const auto hide = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(hide.err, PF_Err_NONE);
    EXPECT_THAT(hide.violations, IsEmpty());
    EXPECT_TRUE(host.StreamHidden(1));
    EXPECT_FALSE(host.StreamHidden(2));
    EXPECT_EQ(host.StreamFlags(2), AEGP_DynStreamFlag_DISABLED);
    EXPECT_EQ(hide.CountCall("AEGP_SetDynamicStreamFlag stream of 1 2 0 1"), 1u);

    EXPECT_EQ(host.Call(PF_Cmd_UPDATE_PARAMS_UI).err, PF_Err_NONE);
    EXPECT_FALSE(host.StreamHidden(1)) << "shown again";

    const auto sloppy = host.Call(PF_Cmd_FRAME_SETUP);
    EXPECT_THAT(sloppy.violations, ElementsAre(HasSubstr("1 effect reference(s) not disposed of"),
                                               HasSubstr("2 stream reference(s) not disposed of")));
    EXPECT_EQ(host.References().LiveCount(), 0u) << "reported once, then let go";
}

TEST(Streams, FailuresAndMisuse)
{
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        const Suites s = Acquire(in);
        AEGP_EffectRefH effect = reinterpret_cast<AEGP_EffectRefH>(in);
        AEGP_StreamRefH stream = reinterpret_cast<AEGP_StreamRefH>(in);
        const PF_Err planned = s.pf->AEGP_GetNewEffectForEffect(1, in->effect_ref, &effect);
        const bool cleared = effect == nullptr;
        const PF_Err noEffect = s.stream->AEGP_GetNewEffectStreamByIndex(1, effect, 0, &stream);
        const PF_Err foreign = s.effect->AEGP_DisposeEffect(reinterpret_cast<AEGP_EffectRefH>(in));
        Release(in);
        return planned == 0x55 && cleared && stream == nullptr && noEffect == A_Err_PARAMETER &&
                       foreign == A_Err_PARAMETER
                   ? PF_Err_NONE
                   : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    pwhost::Host host(plugin.Entry());
    host.Faults().FailNth("AEGP_GetNewEffectForEffect", 1, 0x55);
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("not a live effect"), HasSubstr("not a live effect")));
}

}  // namespace
}  // namespace pwtest
