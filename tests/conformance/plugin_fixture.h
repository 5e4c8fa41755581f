// Every conformance test runs the real plug-in in a fresh host. Each command is checked for leaks as it returns,
// and the test ends with the set-downs a host would send, after which nothing may be left alive or held.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/host.h"
#include "plugin_env.h"

namespace pwtest {

constexpr int32_t kPattern32 = static_cast<int32_t>(0xA5A5A5A5u);

// The global record as its documented layout places it: a one-byte flag, then an aligned 32-bit identifier.
struct GlobalRecordView {
    uint8_t initialized;
    int32_t plugin_id;
};
static_assert(sizeof(GlobalRecordView) == 8, "global record layout");

class PluginTest : public ::testing::Test {
protected:
    PluginTest() : host_(Env().entry) {}

    const FlavourFacts& Facts() const { return *Env().facts; }

    // One command; nothing it acquired may be held and nothing it allocated may be unaccounted for afterwards.
    pwhost::CommandResult Run(PF_Cmd cmd, const pwhost::CommandOptions& options = {})
    {
        pwhost::CommandResult result = host_.Call(cmd, options);
        EXPECT_THAT(result.violations, ::testing::IsEmpty()) << "command " << cmd;
        return result;
    }
    pwhost::CommandResult RunPrefilled(PF_Cmd cmd, void* extra = nullptr)
    {
        pwhost::CommandOptions options;
        options.prefillOutData = true;
        options.extra = extra;
        return Run(cmd, options);
    }

    // Steps of a normal life that a test needs as its starting point.
    void GlobalSetup();
    void ParamsSetup();
    void SequenceSetup();
    void SetUpInstance();  // all three

    // Smart pre-render and render; like Run, each expects no breach of the interface.
    pwhost::PreRenderResult PreRender();
    pwhost::FrameResult RenderFrame(A_long time);

    GlobalRecordView ReadGlobalRecord(PF_Handle h) const;
    std::string HandleName(PF_Handle h) { return "#" + std::to_string(host_.Handles().Serial(h)); }

    void TearDown() override;

    pwhost::Host host_;
};

}  // namespace pwtest
