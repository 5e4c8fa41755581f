#include "commands.h"
#include "suite_cache.h"
#include "version.h"

namespace pw {

PF_Err About(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data)
{
    if (flavour.is32Bit) {
        HostSuiteCache suites(in_data->pica_basicP);
        suites.Ansi1().sprintf(out_data->return_msg, "%s, v%d.%d\r%s", PW_EFFECT_NAME, 1, 0, "Vivoria!");
    } else {
        in_data->utils->ansi.sprintf(out_data->return_msg, "%s, v%d.%d%d\r%s", PW_EFFECT_NAME, 1, 0, 0,
                                     "Vivoria!");
    }
    return PF_Err_NONE;
}

PF_Err GeneralMessage(PF_InData* in_data, PF_OutData* out_data, const void* extra)
{
    HostSuiteCache suites(in_data->pica_basicP);
    suites.Ansi1().sprintf(out_data->return_msg, "%s", static_cast<const char*>(extra));
    return PF_Err_NONE;
}

}  // namespace pw
