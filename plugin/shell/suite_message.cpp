#include "suite_cache.h"

namespace pw {
namespace {

void ReportMessage(const PF_InData* in_data, PF_OutData* out_data, const char* message)
{
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    in_data->utils->ansi.sprintf(out_data->return_msg, message);
}

}  // namespace

PF_Err AcquireSuiteWithMessage(const PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                               const char* message, const void** suite_out)
{
    // Only the delivered table counts: some hosts report an error yet hand one over.
    if (in_data->pica_basicP) {
        in_data->pica_basicP->AcquireSuite(name, version, suite_out);
        if (*suite_out) return PF_Err_NONE;
    }
    ReportMessage(in_data, out_data, message ? message : "Not able to acquire AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err ReleaseSuiteWithMessage(const PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                               const char* message)
{
    if (in_data->pica_basicP) {
        in_data->pica_basicP->ReleaseSuite(name, version);
        return PF_Err_NONE;
    }
    ReportMessage(in_data, out_data, message ? message : "Not able to release AEFX Suite.");
    return PF_Err_BAD_CALLBACK_PARAM;
}

}  // namespace pw
