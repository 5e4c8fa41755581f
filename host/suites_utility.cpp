// "AEGP Utility Suite" 7: registration of the plug-in with the host, and messages to the user.
#include "host/state.h"
#include "host/suites.h"

extern "C" {

static A_Err PF_CDECL pwhost_RegisterWithAEGP(AEGP_GlobalRefcon /*refcon*/, const A_char* name, AEGP_PluginID* id)
{
    return pwhost::Guarded<A_Err>(A_Err_GENERIC, [&](pwhost::HostState& s) -> A_Err {
        s.log.Add("AEGP_RegisterWithAEGP", [&] { return pwhost::Escape(name); });
        if (const auto code = s.faults.Hit("AEGP_RegisterWithAEGP")) return *code;
        if (!name || !id) {
            s.Violation("AEGP_RegisterWithAEGP without a name or a place for the identifier");
            return A_Err_PARAMETER;
        }
        *id = s.nextPluginId++;
        s.registrations.push_back(pwhost::Registration{*id, name});
        return A_Err_NONE;
    });
}

static A_Err PF_CDECL pwhost_ReportInfo(AEGP_PluginID id, const A_char* text)
{
    return pwhost::Guarded<A_Err>(A_Err_GENERIC, [&](pwhost::HostState& s) -> A_Err {
        s.log.Add("AEGP_ReportInfo", [&] { return std::to_string(id) + " " + pwhost::Escape(text); });
        if (const auto code = s.faults.Hit("AEGP_ReportInfo")) return *code;
        return A_Err_NONE;
    });
}

}  // extern "C"

namespace pwhost {
namespace {

AEGP_UtilitySuite3 MakeUtilitySuite3()
{
    AEGP_UtilitySuite3 suite{};
    suite.AEGP_ReportInfo = pwhost_ReportInfo;
    suite.AEGP_RegisterWithAEGP = pwhost_RegisterWithAEGP;
    return suite;
}

}  // namespace

void RegisterUtilitySuite(SuiteBroker& broker)
{
    static const AEGP_UtilitySuite3 suite3 = MakeUtilitySuite3();
    broker.Register(kAEGPUtilitySuite, 7, &suite3);
}

}  // namespace pwhost
