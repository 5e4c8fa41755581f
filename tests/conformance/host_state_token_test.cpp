// Parameter-state tokens: a token taken now says "unchanged" until a value or a keyframe changes, for every
// parameter or one of them, through both numbers of "PF Param Utils Suite".
#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {
namespace {

using pwhost::ParamValue;

// Each command either takes a token (FRAME_SETUP) or asks about the one taken (RENDER), for `which`.
class StateTokenTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        plugin_ = std::make_unique<FakePlugin>([this](PF_Cmd cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
            if (cmd == PF_Cmd_PARAMS_SETUP) return Declare(in);
            const int number = GetParam();
            PF_GetCurrentStateFunc get;
            PF_HasParamChangedFunc changed;
            if (number == 1) {
                auto* s = AcquireFrom<PF_ParamUtilsSuiteLegacy1>(in, kPFParamUtilsSuite, 1);
                get = s->PF_GetCurrentState;
                changed = s->PF_HasParamChanged;
            } else {
                auto* s = AcquireFrom<PF_ParamUtilsSuite1>(in, kPFParamUtilsSuite, 2);
                get = s->PF_GetCurrentState;
                changed = s->PF_HasParamChanged;
            }
            PF_Err err = PF_Err_NONE;
            if (cmd == PF_Cmd_FRAME_SETUP) {
                err = get(in->effect_ref, &token_);
            } else {
                PF_Boolean flag = 5;
                err = changed(in->effect_ref, &token_, which_, &flag);
                answer_ = flag;
            }
            in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, number);
            return err;
        });
        host_ = std::make_unique<pwhost::Host>(plugin_->Entry());
        ASSERT_EQ(host_->Call(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host_->Call(PF_Cmd_FRAME_SETUP).err, PF_Err_NONE);
    }

    static PF_Err Declare(PF_InData* in)
    {
        PF_Err err = PF_Err_NONE;
        for (const char* name : {"A", "B"}) {
            PF_ParamDef def;
            std::memset(&def, 0, sizeof def);
            def.param_type = PF_Param_FLOAT_SLIDER;
            std::strcpy(def.name, name);
            if (!err) err = in->inter.add_param(in->effect_ref, -1, &def);
        }
        return err;
    }

    bool Changed(PF_ParamIndex which)
    {
        which_ = which;
        const auto r = host_->Call(PF_Cmd_RENDER);
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_THAT(r.violations, ::testing::IsEmpty());
        EXPECT_TRUE(answer_ == 0 || answer_ == 1);
        return answer_ != 0;
    }

    std::unique_ptr<FakePlugin> plugin_;
    std::unique_ptr<pwhost::Host> host_;
    PF_State token_{};
    PF_ParamIndex which_ = PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS;
    PF_Boolean answer_ = 5;
};

TEST_P(StateTokenTest, UnchangedUntilAValueChanges)
{
    EXPECT_FALSE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS));
    host_->SetParam("B", ParamValue::Number(0));
    EXPECT_FALSE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS)) << "setting the value it has is no change";
    host_->SetParam("B", ParamValue::Number(2));
    EXPECT_TRUE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS));
    EXPECT_TRUE(Changed(PF_ParamIndex_CHECK_ALL));
    EXPECT_TRUE(Changed(2));
    EXPECT_FALSE(Changed(1)) << "A did not change";
}

TEST_P(StateTokenTest, KeyframesAreChangesAndANewTokenStartsAfresh)
{
    host_->SetKeyframes("A", {host_->Key(0, ParamValue::Number(1)), host_->Key(9, ParamValue::Number(2))});
    EXPECT_TRUE(Changed(1));
    const PF_State before = token_;
    ASSERT_EQ(host_->Call(PF_Cmd_FRAME_SETUP).err, PF_Err_NONE);
    EXPECT_NE(std::memcmp(&before, &token_, sizeof token_), 0) << "the token names the new state";
    EXPECT_FALSE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS));
    host_->SetKeyframes("A", {host_->Key(0, ParamValue::Number(1)), host_->Key(9, ParamValue::Number(3))});
    EXPECT_TRUE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS));
}

TEST_P(StateTokenTest, ATokenTheHostDidNotMakeHasChanged)
{
    std::memset(&token_, 0, sizeof token_);
    EXPECT_TRUE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS));
    ASSERT_EQ(host_->Call(PF_Cmd_FRAME_SETUP).err, PF_Err_NONE);
    token_.reservedAL[2] ^= 1;
    EXPECT_TRUE(Changed(PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS));
}

TEST_P(StateTokenTest, AnIndexThatNamesNothingIsRefused)
{
    which_ = 7;
    const auto r = host_->Call(PF_Cmd_RENDER);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_THAT(r.violations, ::testing::ElementsAre(::testing::HasSubstr("PF_HasParamChanged of parameter 7")));
}

INSTANTIATE_TEST_SUITE_P(SuiteNumbers, StateTokenTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace pwtest
