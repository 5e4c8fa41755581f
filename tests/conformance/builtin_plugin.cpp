// Both flavours linked into the test binary, so every build tests the behaviour of both deliverables, not only
// of the one its processor produces.
#include "builtin_plugin.h"

#include "shell/commands.h"

namespace {

extern "C" PF_Err PF_CDECL EntryPointFlavour32(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                               PF_ParamDef* params[], PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kFlavour32, cmd, in_data, out_data, params, output, extra);
}

extern "C" PF_Err PF_CDECL EntryPointFlavour64(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                               PF_ParamDef* params[], PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kFlavour64, cmd, in_data, out_data, params, output, extra);
}

}  // namespace

namespace pwtest {

PF_EntryPointFunc BuiltinEntryPoint(int bits) { return bits == 32 ? EntryPointFlavour32 : EntryPointFlavour64; }

}  // namespace pwtest
