#include "commands.h"
#include "suite_cache.h"

namespace pw {

PF_Err Dispatch(const Flavour& flavour, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                PF_ParamDef* params[], PF_LayerDef* /*output*/, void* extra)
{
    try {
        switch (cmd) {
        case PF_Cmd_ABOUT: return About(flavour, in_data, out_data);
        case PF_Cmd_GLOBAL_SETUP: return GlobalSetup(flavour, in_data, out_data);
        case PF_Cmd_GLOBAL_SETDOWN: return GlobalSetdown(flavour, in_data);
        case PF_Cmd_PARAMS_SETUP: return ParamsSetup(flavour, in_data, out_data);
        case PF_Cmd_SEQUENCE_SETUP:
        case PF_Cmd_SEQUENCE_RESETUP: return SequenceSetup(flavour, in_data, out_data);
        case PF_Cmd_SEQUENCE_SETDOWN: return SequenceSetdown(flavour, in_data, out_data);
        case PF_Cmd_USER_CHANGED_PARAM:
        case PF_Cmd_UPDATE_PARAMS_UI: return UpdateParamsUI(flavour, in_data, out_data, params);
        case PF_Cmd_COMPLETELY_GENERAL:
            return flavour.handlesGeneralCommand ? GeneralMessage(in_data, out_data, extra) : PF_Err_NONE;
        case PF_Cmd_SMART_PRE_RENDER:
            return SmartPreRender(flavour, in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return SmartRender(flavour, in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
        default: return PF_Err_NONE;
        }
    } catch (const MissingSuiteError& err) {
        return err;
    }
}

}  // namespace pw
