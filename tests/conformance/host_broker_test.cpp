// The suite broker: tables per (name, number), held-suite accounting, and the faults it can play.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

struct Probe {
    SPErr err = -1;
    const void* table = reinterpret_cast<const void*>(1);  // to see that failures clear it
};

// A fake plug-in that acquires one suite in a command, optionally releases it, and notes the broker's answer.
struct AcquireScript {
    const char* name;
    int32_t number;
    bool release;
    Probe* probe;
};
AcquireScript g_acquire{};

FakeScript AcquireScriptBody()
{
    return [](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        Probe& p = *g_acquire.probe;
        p.err = in->pica_basicP->AcquireSuite(g_acquire.name, g_acquire.number, &p.table);
        if (g_acquire.release) in->pica_basicP->ReleaseSuite(g_acquire.name, g_acquire.number);
        return PF_Err_NONE;
    };
}

Probe AcquireOnce(pwhost::Host& host, const char* name, int32_t number, bool release)
{
    Probe probe;
    g_acquire = AcquireScript{name, number, release, &probe};
    host.Call(PF_Cmd_RENDER);
    return probe;
}

TEST(Broker, ServesEachNumberItsOwnTable)
{
    pwhost::HostState state;
    const void* h1 = state.broker.Table(kPFHandleSuite, 1);
    const void* h2 = state.broker.Table(kPFHandleSuite, 2);
    ASSERT_NE(h1, nullptr);
    ASSERT_NE(h2, nullptr);
    EXPECT_NE(h1, h2);
    EXPECT_NE(state.broker.Table(kPFANSISuite, 1), nullptr);
    EXPECT_NE(state.broker.Table(kAEGPUtilitySuite, 7), nullptr);
    EXPECT_EQ(state.broker.Table(kPFANSISuite, 2), nullptr);
    EXPECT_EQ(state.broker.Table(kAEGPUtilitySuite, 13), nullptr) << "a newer number is another table";
}

TEST(Broker, BalancedAcquireAndReleaseIsCounted)
{
    FakePlugin plugin(AcquireScriptBody());
    pwhost::Host host(plugin.Entry());
    const Probe p = AcquireOnce(host, kPFHandleSuite, 2, true);
    EXPECT_EQ(p.err, 0);
    EXPECT_EQ(p.table, host.Broker().Table(kPFHandleSuite, 2));
    EXPECT_EQ(host.Broker().Acquisitions(kPFHandleSuite, 2), 1);
    EXPECT_EQ(host.Broker().Releases(kPFHandleSuite, 2), 1);
    EXPECT_THAT(host.Violations(), IsEmpty());
    EXPECT_THAT(pwhost::Texts(host.Log().Records()),
                ElementsAre("AcquireSuite PF Handle Suite 2", "ReleaseSuite PF Handle Suite 2"));
}

TEST(Broker, SuiteHeldPastItsCommandIsReportedOnce)
{
    FakePlugin plugin(AcquireScriptBody());
    pwhost::Host host(plugin.Entry());
    AcquireOnce(host, kAEGPUtilitySuite, 7, false);
    EXPECT_THAT(host.Violations(), ElementsAre(HasSubstr("suite AEGP Utility Suite 7 still held")));
    EXPECT_EQ(host.Broker().TotalHeld(), 0) << "forgotten once reported";
}

TEST(Broker, ReleasingWhatIsNotHeldIsReported)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        return in->pica_basicP->ReleaseSuite(kPFANSISuite, 1) ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    pwhost::Host host(plugin.Entry());
    EXPECT_EQ(host.Call(PF_Cmd_RENDER).err, PF_Err_NONE) << "the release fails";
    EXPECT_THAT(host.Violations(), ElementsAre(HasSubstr("ReleaseSuite PF ANSI Suite 1 that is not held")));
}

struct SuiteFault {
    const char* label;
    void (*inject)(pwhost::FaultPlan&);
    const char* name;
    int32_t number;
    SPErr expectedErr;
    bool delivers;
};

void PrintTo(const SuiteFault& fault, std::ostream* os) { *os << fault.label; }

const SuiteFault kSuiteFaults[] = {
    {"Unknown", [](pwhost::FaultPlan&) {}, "PF Imaginary Suite", 1, pwhost::kSPSuiteNotFoundError, false},
    {"UnknownNumber", [](pwhost::FaultPlan&) {}, kPFHandleSuite, 3, pwhost::kSPSuiteNotFoundError, false},
    {"Withheld", [](pwhost::FaultPlan& f) { f.WithholdSuite(kPFHandleSuite, 2); }, kPFHandleSuite, 2,
     pwhost::kSPSuiteNotFoundError, false},
    {"WithheldOtherNumber", [](pwhost::FaultPlan& f) { f.WithholdSuite(kPFHandleSuite, 1); }, kPFHandleSuite, 2, 0,
     true},
    {"NullTable", [](pwhost::FaultPlan& f) { f.DeliverNullTable(kPFANSISuite, 1); }, kPFANSISuite, 1, 0, false},
    {"ErrorWithTable", [](pwhost::FaultPlan& f) { f.ReportErrorWithTable(kPFANSISuite, 1, 77); }, kPFANSISuite, 1, 77,
     true},
    {"NthAcquisitionFails", [](pwhost::FaultPlan& f) { f.FailNth("AcquireSuite", 1, 1234); }, kPFANSISuite, 1, 1234,
     false},
};

class SuiteFaultTest : public ::testing::TestWithParam<SuiteFault> {};

// Whether or not the table comes, a plug-in that releases exactly what it was handed leaves no violation.
TEST_P(SuiteFaultTest, AnswersAsInjected)
{
    const SuiteFault& fault = GetParam();
    Probe probe;
    FakePlugin releasing([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        probe.err = in->pica_basicP->AcquireSuite(fault.name, fault.number, &probe.table);
        if (probe.table) in->pica_basicP->ReleaseSuite(fault.name, fault.number);
        return PF_Err_NONE;
    });
    pwhost::Host host(releasing.Entry());
    fault.inject(host.Faults());
    host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(probe.err, fault.expectedErr);
    if (fault.delivers)
        EXPECT_EQ(probe.table, host.Broker().Table(fault.name, fault.number));
    else
        EXPECT_EQ(probe.table, nullptr) << "a failed acquisition leaves the pointer null";
    EXPECT_THAT(host.Violations(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Faults, SuiteFaultTest, ::testing::ValuesIn(kSuiteFaults),
                         [](const auto& info) { return std::string(info.param.label); });

// A table handed over with an error may be kept without release: the host reported failure.
TEST(Broker, TableDeliveredWithErrorNeedNotBeReleased)
{
    FakePlugin plugin(AcquireScriptBody());
    pwhost::Host host(plugin.Entry());
    host.Faults().ReportErrorWithTable(kPFANSISuite, 1);
    const Probe p = AcquireOnce(host, kPFANSISuite, 1, false);
    EXPECT_EQ(p.err, pwhost::kSPSuiteNotFoundError);
    EXPECT_NE(p.table, nullptr);
    EXPECT_THAT(host.Violations(), IsEmpty());
}

TEST(Broker, NoBrokerMeansNullPicaBasic)
{
    bool saw_null = false;
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        saw_null = in->pica_basicP == nullptr;
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    host.Faults().SetNoBroker(true);
    host.Call(PF_Cmd_ABOUT);
    EXPECT_TRUE(saw_null);
    host.Faults().Clear();
    host.Call(PF_Cmd_ABOUT);
    EXPECT_FALSE(saw_null);
}

TEST(Broker, BlocksAreAccountedLikeHandles)
{
    FakePlugin plugin([](PF_Cmd cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        void* block = nullptr;
        in->pica_basicP->AllocateBlock(32, &block);
        void* moved = nullptr;
        in->pica_basicP->ReallocateBlock(block, 64, &moved);
        if (cmd == PF_Cmd_ABOUT) in->pica_basicP->FreeBlock(moved);
        return in->pica_basicP->IsEqual("a", "a") && !in->pica_basicP->IsEqual("a", "b") ? PF_Err_NONE
                                                                                          : PF_Err_BAD_CALLBACK_PARAM;
    });
    pwhost::Host host(plugin.Entry());
    const auto freed = host.Call(PF_Cmd_ABOUT);
    EXPECT_EQ(freed.err, PF_Err_NONE);
    EXPECT_THAT(freed.violations, IsEmpty());
    const auto kept = host.Call(PF_Cmd_RENDER);
    EXPECT_THAT(kept.violations, ElementsAre(HasSubstr("memory block leaked")));
}

// Premiere offers no AEGP suite of any number and every other suite of the catalogue; its in_data says "PrMr"
// whatever applId holds, with local_time_step equal to time_step.
TEST(Broker, PremiereRefusesEveryAegpSuiteAndServesTheRest)
{
    PF_InData seen{};
    std::vector<pwhost::SuiteKey> catalogue;
    std::vector<std::pair<pwhost::SuiteKey, SPErr>> answers;
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        seen = *in;
        for (const pwhost::SuiteKey& key : catalogue) {
            const void* table = nullptr;
            answers.emplace_back(key, in->pica_basicP->AcquireSuite(key.name.c_str(), key.number, &table));
            if (table) in->pica_basicP->ReleaseSuite(key.name.c_str(), key.number);
        }
        return PF_Err_NONE;
    });
    pwhost::Host host(plugin.Entry());
    catalogue = host.Broker().Catalogue();
    host.Settings().application = pwhost::HostApplication::Premiere;
    pwhost::SetTimebase(host.Settings(), pwhost::kNtscTimebase);
    host.Settings().localTimeStep = 5;
    host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(seen.appl_id, PF_APPL_ID_PREMIERE);
    EXPECT_EQ(seen.time_scale, 30000u);
    EXPECT_EQ(seen.time_step, 1001);
    EXPECT_EQ(seen.local_time_step, 1001);
    EXPECT_EQ(seen.total_time, 300 * 1001) << "the layer keeps its 300 frames";
    int aegp = 0;
    for (const auto& [key, err] : answers) {
        const bool isAegp = key.name.rfind("AEGP ", 0) == 0;
        aegp += isAegp;
        EXPECT_EQ(err, isAegp ? pwhost::kSPSuiteNotFoundError : 0) << key.Text();
    }
    EXPECT_EQ(aegp, 7);
    EXPECT_THAT(host.Violations(), IsEmpty());

    host.Settings().application = pwhost::HostApplication::AfterEffects;
    answers.clear();
    host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(seen.appl_id, PF_APPL_ID_AFTER_EFFECTS);
    EXPECT_EQ(seen.local_time_step, 5);
    for (const auto& [key, err] : answers) EXPECT_EQ(err, 0) << key.Text();
}

TEST(UtilitySuite, RegistrationHandsOutFreshIdsAndRecordsNames)
{
    FakePlugin plugin([](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        auto* u = AcquireFrom<AEGP_UtilitySuite3>(in, kAEGPUtilitySuite, 7);
        AEGP_PluginID a = -1, b = -1, c = -1;
        u->AEGP_RegisterWithAEGP(nullptr, "First", &a);
        u->AEGP_RegisterWithAEGP(nullptr, "Second", &b);
        const A_Err refused = u->AEGP_RegisterWithAEGP(nullptr, "Third", &c);
        in->pica_basicP->ReleaseSuite(kAEGPUtilitySuite, 7);
        return a != b && c == -1 ? refused : PF_Err_INTERNAL_STRUCT_DAMAGED;
    });
    pwhost::Host host(plugin.Entry());
    host.Faults().FailNth("AEGP_RegisterWithAEGP", 3, 99);
    EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETUP).err, 99);
    ASSERT_EQ(host.Registrations().size(), 2u);
    EXPECT_EQ(host.Registrations()[0].name, "First");
    EXPECT_EQ(host.Registrations()[1].name, "Second");
    EXPECT_THAT(host.Violations(), IsEmpty());
}

}  // namespace
}  // namespace pwtest
