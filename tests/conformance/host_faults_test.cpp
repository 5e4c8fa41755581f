// Fault counting: the n-th call from the moment a fault is set, once or from then on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {
namespace {

std::vector<bool> Failures(pwhost::FaultPlan& plan, const std::string& op, int calls)
{
    std::vector<bool> failed;
    for (int i = 0; i < calls; ++i) failed.push_back(plan.Hit(op).has_value());
    return failed;
}

TEST(FaultPlan, NthCallFailsOnceCountingFromWhenSet)
{
    pwhost::FaultPlan plan;
    Failures(plan, "host_new_handle", 5);  // calls before the fault do not count
    plan.FailNth("host_new_handle", 3, 7);
    EXPECT_EQ(Failures(plan, "host_new_handle", 5), (std::vector<bool>{false, false, true, false, false}));
    EXPECT_EQ(plan.Fired("host_new_handle"), 1);
}

TEST(FaultPlan, FromNthFailsEveryLaterCall)
{
    pwhost::FaultPlan plan;
    plan.FailFrom("host_lock_handle", 2, 0);
    EXPECT_EQ(Failures(plan, "host_lock_handle", 4), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(plan.Fired("host_lock_handle"), 3);
}

TEST(FaultPlan, GivesTheCodeAndLeavesOtherOperationsAlone)
{
    pwhost::FaultPlan plan;
    plan.FailNth("add_param", 1, 0x1234);
    EXPECT_FALSE(plan.Hit("AcquireSuite").has_value());
    EXPECT_EQ(plan.Hit("add_param"), 0x1234);
    EXPECT_EQ(plan.TotalFired(), 1);
    plan.Clear();
    EXPECT_EQ(plan.TotalFired(), 0);
    EXPECT_FALSE(plan.Hit("add_param").has_value());
}

TEST(FaultPlan, TwoFaultsOnOneOperationCountIndependently)
{
    pwhost::FaultPlan plan;
    plan.FailNth("progress", 1, 1);
    plan.FailNth("progress", 3, 3);
    EXPECT_EQ(plan.Hit("progress"), 1);
    EXPECT_FALSE(plan.Hit("progress").has_value());
    EXPECT_EQ(plan.Hit("progress"), 3);
}

// Pointer-returning operations fail by returning null; the others return the code.
TEST(FaultPlan, OperationsFailTheWayTheirResultAllows)
{
    struct Seen {
        PF_Handle handle = reinterpret_cast<PF_Handle>(1);
        void* locked = reinterpret_cast<void*>(1);
        PF_Err added = 0;
        PF_Err progress = 0;
    } seen;
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        seen.handle = in->utils->host_new_handle(8);
        PF_Handle h = in->utils->host_new_handle(8);
        seen.locked = in->utils->host_lock_handle(h);
        in->utils->host_dispose_handle(h);
        PF_ParamDef def{};
        def.param_type = PF_Param_CHECKBOX;
        seen.added = in->inter.add_param(in->effect_ref, -1, &def);
        seen.progress = in->inter.progress(in->effect_ref, 1, 2);
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    host.Faults().FailNth("host_new_handle", 1, 0);
    host.Faults().FailNth("host_lock_handle", 1, 0);
    host.Faults().FailNth("add_param", 1, PF_Err_OUT_OF_MEMORY);
    host.Faults().FailNth("progress", 1, PF_Interrupt_CANCEL);
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(seen.handle, nullptr);
    EXPECT_EQ(seen.locked, nullptr);
    EXPECT_EQ(seen.added, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(seen.progress, PF_Interrupt_CANCEL);
    EXPECT_EQ(host.Params().Count(), 1u) << "a refused parameter is not kept";
    EXPECT_THAT(r.violations, ::testing::IsEmpty());
    EXPECT_EQ(host.Faults().TotalFired(), 4);
}

}  // namespace
}  // namespace pwtest
