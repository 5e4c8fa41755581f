// A first look at the smart render through the entry point: with every treatment off the output is the input,
// in each depth, and the render's own bookkeeping holds.
#include "plugin_fixture.h"

namespace pwtest {
namespace {

class SmartRenderSmokeTest : public PluginTest, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void SetUp() override
    {
        host_.Settings().width = 40;
        host_.Settings().height = 30;
        host_.Settings().pixelFormat = GetParam();
        SetUpInstance();
    }
};

TEST_P(SmartRenderSmokeTest, EveryTreatmentOffCopiesTheInputToTheOutput)
{
    for (A_long time : {0, 7, 29}) {
        const auto r = RenderFrame(time);
        ASSERT_EQ(r.Err(), PF_Err_NONE) << r.render.command.ReturnMessage();
        ASSERT_TRUE(r.rendered);
        EXPECT_TRUE(r.render.deleted) << "the request's record is released after its render";
        const pwhost::Image input = host_.InputFrame(time);
        ASSERT_EQ(r.render.output.width, input.width);
        ASSERT_EQ(r.render.output.height, input.height);
        EXPECT_TRUE(r.render.output.bytes == input.bytes) << "output differs from the input at " << time;
        EXPECT_EQ(host_.UnaccountedHandles().size(), 0u);
    }
}

// Buffers that do not fit end the render with 255 and no message, whatever the depth.
TEST_P(SmartRenderSmokeTest, OutputThatDoesNotFitIs255)
{
    host_.Settings().outputHeightDelta = 1;
    const auto taller = RenderFrame(0);
    EXPECT_EQ(taller.render.command.err, 255);
    EXPECT_TRUE(taller.render.command.ReturnMessage().empty());
    host_.Settings().outputHeightDelta = 0;
    host_.Settings().outputRowbytes = 39 * pwhost::PixelBytes(GetParam());
    const auto narrow = RenderFrame(0);
    EXPECT_EQ(narrow.render.command.err, 255);
    EXPECT_TRUE(narrow.render.deleted);
}

INSTANTIATE_TEST_SUITE_P(Depths, SmartRenderSmokeTest,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128));

}  // namespace
}  // namespace pwtest
