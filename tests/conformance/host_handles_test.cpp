// The host's handles: master-pointer semantics, the three tables that reach them, and leak accounting.
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
using ::testing::SizeIs;

TEST(HandleTable, HandleIsTheAddressOfAMasterPointerToTheBlock)
{
    pwhost::HandleTable table;
    PF_Handle h = table.New(24);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(*h, nullptr);
    EXPECT_EQ(table.Lock(h), *h);
    EXPECT_EQ(table.LockCount(h), 1);
    EXPECT_TRUE(table.Unlock(h));
    EXPECT_EQ(table.Size(h), 24u);
    const auto* bytes = static_cast<const unsigned char*>(*h);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(bytes[i], 0xCD) << "new blocks are not cleared";
    EXPECT_EQ(table.LiveCount(), 1u);
    EXPECT_EQ(table.Serial(h), 1);
}

TEST(HandleTable, ResizeKeepsHandleAndContents)
{
    pwhost::HandleTable table;
    PF_Handle h = table.New(4);
    std::memcpy(*h, "abcd", 4);
    ASSERT_EQ(table.Resize(1 << 20, h), PF_Err_NONE);
    EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);
    EXPECT_EQ(static_cast<unsigned char*>(*h)[4], 0xCD);
    EXPECT_EQ(table.Size(h), uint64_t{1} << 20);
    ASSERT_EQ(table.Resize(2, h), PF_Err_NONE);
    EXPECT_EQ(std::memcmp(*h, "ab", 2), 0);
    EXPECT_EQ(table.LiveCount(), 1u);
}

TEST(HandleTable, DisposedOrUnknownHandlesAreRefused)
{
    pwhost::HandleTable table;
    PF_Handle h = table.New(8);
    EXPECT_TRUE(table.Dispose(h));
    EXPECT_FALSE(table.IsLive(h));
    EXPECT_FALSE(table.Dispose(h));
    EXPECT_EQ(table.Lock(h), nullptr);
    EXPECT_FALSE(table.Unlock(h));
    EXPECT_EQ(table.Size(h), std::nullopt);
    EXPECT_EQ(table.Resize(16, h), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(table.LiveCount(), 0u);
}

TEST(HandleTable, SizesPastTheLimitFailLikeAnExhaustedHost)
{
    pwhost::HandleTable table;
    table.SetSizeLimit(1000);
    EXPECT_EQ(table.New(1001), nullptr);
    EXPECT_EQ(table.New(~uint64_t{0}), nullptr);
    PF_Handle empty = table.New(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(*empty, nullptr) << "even an empty block has an address";
    EXPECT_EQ(table.Resize(1001, empty), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(table.Size(empty), 0u);
}

// The same operations through "PF Handle Suite" 1, 2 and the utils table, as a plug-in calls them.
struct HandleRoute {
    const char* label;
    int suite;  // 0 = utils
};

void PrintTo(const HandleRoute& route, std::ostream* os) { *os << route.label; }

class HandleRouteTest : public ::testing::TestWithParam<HandleRoute> {};

TEST_P(HandleRouteTest, FullLifeOfAHandleLeavesNothingBehind)
{
    const int suite = GetParam().suite;
    FakePlugin plugin([suite](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        PF_Handle h = nullptr;
        uint64_t size = 0;
        PF_Err err = PF_Err_NONE;
        if (suite == 1) {
            auto* s = AcquireFrom<PF_HandleSuite1Size32>(in, kPFHandleSuite, 1);
            h = s->host_new_handle(40);
            std::memcpy(s->host_lock_handle(h), "payload", 8);
            s->host_unlock_handle(h);
            err = s->host_resize_handle(80, &h);
            size = s->host_get_handle_size(h);
            s->host_dispose_handle(h);
            in->pica_basicP->ReleaseSuite(kPFHandleSuite, 1);
        } else if (suite == 2) {
            auto* s = AcquireFrom<PF_HandleSuite1>(in, kPFHandleSuite, 2);
            h = s->host_new_handle(40);
            std::memcpy(s->host_lock_handle(h), "payload", 8);
            s->host_unlock_handle(h);
            err = s->host_resize_handle(80, &h);
            size = s->host_get_handle_size(h);
            s->host_dispose_handle(h);
            in->pica_basicP->ReleaseSuite(kPFHandleSuite, 2);
        } else {
            PF_UtilCallbacks* u = in->utils;
            h = u->host_new_handle(40);
            std::memcpy(u->host_lock_handle(h), "payload", 8);
            u->host_unlock_handle(h);
            err = u->host_resize_handle(80, &h);
            size = u->host_get_handle_size(h);
            u->host_dispose_handle(h);
        }
        return err ? err : size == 80 ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    pwhost::Host host(plugin.Entry());
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(host.Handles().LiveCount(), 0u);
    EXPECT_EQ(r.CountCall("host_new_handle 40"), 1u);
    EXPECT_EQ(r.CountCall("host_resize_handle 80 #1"), 1u);
    EXPECT_EQ(r.CountCall("host_dispose_handle #1"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Routes, HandleRouteTest,
                         ::testing::Values(HandleRoute{"Suite1", 1}, HandleRoute{"Suite2", 2}, HandleRoute{"Utils", 0}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(HandleAccounting, LeakIsReportedOnceAndNamesTheHandle)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        in->utils->host_new_handle(12);
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    const auto first = host.Call(PF_Cmd_RENDER);
    ASSERT_THAT(first.violations, SizeIs(1));
    EXPECT_THAT(first.violations[0], HasSubstr("handle #1 of 12 bytes leaked"));
    const auto second = host.Call(PF_Cmd_RENDER);
    ASSERT_THAT(second.violations, SizeIs(1)) << "only the new handle";
    EXPECT_THAT(second.violations[0], HasSubstr("#2"));
    EXPECT_THAT(host.UnaccountedHandles(), SizeIs(2));
}

// A handle written into out_data->sequence_data by a sequence set-up belongs to the host from then on.
TEST(HandleAccounting, HandedOverHandlesAreHeldNotLeaked)
{
    FakePlugin plugin([](PF_Cmd cmd, PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        if (cmd == PF_Cmd_SEQUENCE_SETUP) out->sequence_data = in->utils->host_new_handle(16);
        if (cmd == PF_Cmd_GLOBAL_SETUP) out->global_data = in->utils->host_new_handle(8);
        if (cmd == PF_Cmd_SEQUENCE_SETDOWN) in->utils->host_dispose_handle(in->sequence_data);
        if (cmd == PF_Cmd_GLOBAL_SETDOWN) in->utils->host_dispose_handle(in->global_data);
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    EXPECT_THAT(host.Call(PF_Cmd_GLOBAL_SETUP).violations, IsEmpty());
    EXPECT_THAT(host.Call(PF_Cmd_SEQUENCE_SETUP).violations, IsEmpty());
    EXPECT_NE(host.GlobalData(), nullptr);
    EXPECT_NE(host.SequenceData(), nullptr);
    EXPECT_THAT(host.UnaccountedHandles(), IsEmpty());
    EXPECT_THAT(host.Call(PF_Cmd_SEQUENCE_SETDOWN).violations, IsEmpty());
    EXPECT_THAT(host.Call(PF_Cmd_GLOBAL_SETDOWN).violations, IsEmpty());
    EXPECT_EQ(host.Handles().LiveCount(), 0u);
}

TEST(HandleAccounting, SetdownThatForgetsToDisposeLeaks)
{
    FakePlugin plugin([](PF_Cmd cmd, PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        if (cmd == PF_Cmd_GLOBAL_SETUP) out->global_data = in->utils->host_new_handle(8);
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    host.Call(PF_Cmd_GLOBAL_SETUP);
    const auto r = host.Call(PF_Cmd_GLOBAL_SETDOWN);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("#1 of 8 bytes leaked")));
    EXPECT_EQ(host.GlobalData(), nullptr);
}

TEST(HandleAccounting, DisposingTheHeldRecordWithoutReplacementIsReported)
{
    FakePlugin plugin([](PF_Cmd cmd, PF_InData* in, PF_OutData* out, void*) -> PF_Err {
        if (cmd == PF_Cmd_SEQUENCE_SETUP) out->sequence_data = in->utils->host_new_handle(16);
        if (cmd == PF_Cmd_RENDER) in->utils->host_dispose_handle(in->sequence_data);
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    host.Call(PF_Cmd_SEQUENCE_SETUP);
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("sequence data the host holds was disposed of")));
    EXPECT_EQ(host.SequenceData(), nullptr);
}

TEST(HandleAccounting, DoubleDisposeAndForeignHandlesAreReported)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        PF_Handle h = in->utils->host_new_handle(4);
        in->utils->host_dispose_handle(h);
        in->utils->host_dispose_handle(h);
        void* not_a_handle = nullptr;
        in->utils->host_unlock_handle(&not_a_handle);
        in->utils->host_dispose_handle(nullptr);  // harmless
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    const auto r = host.Call(PF_Cmd_RENDER);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("host_dispose_handle on unknown"),
                                          HasSubstr("host_unlock_handle on unknown")));
}

}  // namespace
}  // namespace pwtest
