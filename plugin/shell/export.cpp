// The one symbol the host looks up; compiled into the deliverable itself, not the core library.
#include "commands.h"

#if defined(_WIN32)
#define PW_EXPORT __declspec(dllexport)
#else
#define PW_EXPORT __attribute__((visibility("default")))
#endif

extern "C" PW_EXPORT PF_Err PF_CDECL EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                                     PF_ParamDef* params[], PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kBuildFlavour, cmd, in_data, out_data, params, output, extra);
}
