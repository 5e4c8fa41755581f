// The command handlers that EntryPointFunc routes to.
#pragma once

#include "ae_smart.h"
#include "flavour.h"

namespace pw {

PF_Err About(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetup(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data);
PF_Err GlobalSetdown(const Flavour& flavour, PF_InData* in_data);
PF_Err SequenceSetup(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceSetdown(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data);
PF_Err GeneralMessage(PF_InData* in_data, PF_OutData* out_data, const void* extra);
PF_Err ParamsSetup(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data);
PF_Err UpdateParamsUI(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);
PF_Err SmartPreRender(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);
PF_Err SmartRender(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

// The whole dispatch, for a given flavour; EntryPointFunc passes the build's.
PF_Err Dispatch(const Flavour& flavour, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                PF_ParamDef* params[], PF_LayerDef* output, void* extra);

}  // namespace pw
