#include "shell/commands.h"

namespace pw {

// Panel visibility is not managed yet: every parameter stays shown.
PF_Err UpdateParamsUI(const Flavour&, PF_InData*, PF_OutData*, PF_ParamDef*[]) { return PF_Err_NONE; }

}  // namespace pw
