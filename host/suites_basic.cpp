// SPBasicSuite, the broker the plug-in reaches through in_data->pica_basicP.
#include <cstring>

#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

// The broker's answer for an entry point it does not implement: '!IMP'.
constexpr SPErr kSPUnimplementedError = 0x21494D50;

std::string SuiteArgs(const char* name, int32_t number) { return Escape(name) + " " + std::to_string(number); }

}  // namespace
}  // namespace pwhost

extern "C" {

static SPErr PF_CDECL pwhost_AcquireSuite(const char* name, int32_t number, const void** suite)
{
    return pwhost::Guarded<SPErr>(pwhost::kSPSuiteNotFoundError, [&](pwhost::HostState& s) -> SPErr {
        s.log.Add("AcquireSuite", [&] { return pwhost::SuiteArgs(name, number); });
        if (!suite || !name) {
            s.Violation("AcquireSuite without a name or a place for the table");
            return pwhost::kSPSuiteNotFoundError;
        }
        *suite = nullptr;
        if (const auto code = s.faults.Hit("AcquireSuite")) return *code;
        const void* table = s.broker.Table(name, number);
        if (!table || s.faults.Withheld(name, number) || !pwhost::OffersSuite(s.settings, name))
            return pwhost::kSPSuiteNotFoundError;
        if (s.faults.NullTable(name, number)) return 0;
        const pwhost::SuiteKey key{name, number};
        if (const auto code = s.faults.ErrorWithTable(name, number)) {
            *suite = table;
            s.broker.NoteDeliveredWithError(key);
            return *code;
        }
        *suite = table;
        s.broker.NoteAcquired(key);
        return 0;
    });
}

static SPErr PF_CDECL pwhost_ReleaseSuite(const char* name, int32_t number)
{
    return pwhost::Guarded<SPErr>(pwhost::kSPSuiteNotFoundError, [&](pwhost::HostState& s) -> SPErr {
        s.log.Add("ReleaseSuite", [&] { return pwhost::SuiteArgs(name, number); });
        if (!name) {
            s.Violation("ReleaseSuite without a name");
            return pwhost::kSPSuiteNotFoundError;
        }
        // Released even when made to fail: the plug-in could not release it again.
        const auto fault = s.faults.Hit("ReleaseSuite");
        if (!s.broker.NoteReleased(pwhost::SuiteKey{name, number})) {
            s.Violation("ReleaseSuite " + pwhost::SuiteArgs(name, number) + " that is not held");
            return pwhost::kSPSuiteNotFoundError;
        }
        return fault ? *fault : 0;
    });
}

static int32_t PF_CDECL pwhost_IsEqual(const char* a, const char* b)
{
    return pwhost::Guarded<int32_t>(0, [&](pwhost::HostState& s) -> int32_t {
        s.log.Add("IsEqual", [&] { return pwhost::Escape(a) + " " + pwhost::Escape(b); });
        return a && b && std::strcmp(a, b) == 0;
    });
}

static SPErr PF_CDECL pwhost_AllocateBlock(size_t size, void** block)
{
    return pwhost::Guarded<SPErr>(pwhost::kSPUnimplementedError, [&](pwhost::HostState& s) -> SPErr {
        s.log.Add("AllocateBlock", [&] { return std::to_string(size); });
        if (!block) {
            s.Violation("AllocateBlock without a place for the block");
            return A_Err_PARAMETER;
        }
        *block = nullptr;
        if (const auto code = s.faults.Hit("AllocateBlock")) return *code;
        *block = s.broker.AllocateBlock(size);
        return *block ? 0 : A_Err_ALLOC;
    });
}

static SPErr PF_CDECL pwhost_FreeBlock(void* block)
{
    return pwhost::Guarded<SPErr>(pwhost::kSPUnimplementedError, [&](pwhost::HostState& s) -> SPErr {
        s.log.Add("FreeBlock");
        if (!block) return 0;
        if (!s.broker.FreeBlock(block)) {
            s.Violation("FreeBlock of a block the broker did not allocate");
            return A_Err_PARAMETER;
        }
        return 0;
    });
}

static SPErr PF_CDECL pwhost_ReallocateBlock(void* block, size_t size, void** moved)
{
    return pwhost::Guarded<SPErr>(pwhost::kSPUnimplementedError, [&](pwhost::HostState& s) -> SPErr {
        s.log.Add("ReallocateBlock", [&] { return std::to_string(size); });
        if (!moved) {
            s.Violation("ReallocateBlock without a place for the block");
            return A_Err_PARAMETER;
        }
        if (const auto code = s.faults.Hit("ReallocateBlock")) {
            *moved = nullptr;
            return *code;
        }
        bool known = true;
        void* result = s.broker.ReallocateBlock(block, size, &known);
        if (!known) {
            s.Violation("ReallocateBlock of a block the broker did not allocate");
            *moved = nullptr;
            return A_Err_PARAMETER;
        }
        *moved = result;
        return result ? 0 : A_Err_ALLOC;
    });
}

static SPErr PF_CDECL pwhost_Undefined(void)
{
    return pwhost::Guarded<SPErr>(pwhost::kSPUnimplementedError, [&](pwhost::HostState& s) -> SPErr {
        s.log.Add("Undefined");
        return pwhost::kSPUnimplementedError;
    });
}

}  // extern "C"

namespace pwhost {

SPBasicSuite MakeBasicSuite()
{
    SPBasicSuite suite{};
    suite.AcquireSuite = pwhost_AcquireSuite;
    suite.ReleaseSuite = pwhost_ReleaseSuite;
    suite.IsEqual = pwhost_IsEqual;
    suite.AllocateBlock = pwhost_AllocateBlock;
    suite.FreeBlock = pwhost_FreeBlock;
    suite.ReallocateBlock = pwhost_ReallocateBlock;
    suite.Undefined = pwhost_Undefined;
    return suite;
}

}  // namespace pwhost
