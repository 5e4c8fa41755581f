#include "plugin_fixture.h"

namespace pwtest {

void PluginTest::GlobalSetup()
{
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    ASSERT_NE(host_.GlobalData(), nullptr);
}

void PluginTest::ParamsSetup()
{
    const auto r = Run(PF_Cmd_PARAMS_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    ASSERT_EQ(host_.Params().Count(), 103u);
}

void PluginTest::SequenceSetup()
{
    const auto r = Run(PF_Cmd_SEQUENCE_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    ASSERT_NE(host_.SequenceData(), nullptr);
}

void PluginTest::SetUpInstance()
{
    GlobalSetup();
    ParamsSetup();
    SequenceSetup();
}

pwhost::PreRenderResult PluginTest::PreRender()
{
    pwhost::PreRenderResult result = host_.SmartPreRender();
    EXPECT_THAT(result.command.violations, ::testing::IsEmpty()) << "smart pre-render";
    return result;
}

pwhost::FrameResult PluginTest::RenderFrame(A_long time)
{
    pwhost::FrameResult result = host_.RenderFrame(time);
    EXPECT_THAT(result.preRender.command.violations, ::testing::IsEmpty()) << "smart pre-render at " << time;
    EXPECT_THAT(result.render.command.violations, ::testing::IsEmpty()) << "smart render at " << time;
    return result;
}

GlobalRecordView PluginTest::ReadGlobalRecord(PF_Handle h) const
{
    GlobalRecordView view{};
    std::memcpy(&view.initialized, *h, 1);
    std::memcpy(&view.plugin_id, static_cast<const char*>(*h) + 4, 4);
    return view;
}

void PluginTest::TearDown()
{
    host_.Faults().Clear();
    host_.DropPreRender();
    if (host_.SequenceData()) {
        EXPECT_EQ(Run(PF_Cmd_SEQUENCE_SETDOWN).err, PF_Err_NONE);
    }
    if (host_.GlobalData()) {
        EXPECT_EQ(Run(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
    }
    EXPECT_THAT(host_.Violations(), ::testing::IsEmpty());
    EXPECT_EQ(host_.Handles().LiveCount(), 0u) << "handles alive after the set-downs";
    EXPECT_EQ(host_.Broker().TotalHeld(), 0);
    EXPECT_EQ(host_.Broker().LiveBlocks(), 0u);
    EXPECT_EQ(host_.Worlds().LiveCount(), 0u) << "worlds alive after the set-downs";
}

}  // namespace pwtest
