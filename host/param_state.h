// The parameter-state token of "PF Param Utils Suite": 16 bytes that name the state of every parameter's value
// and keyframes at the moment they were taken, so the host can say later whether anything has changed since.
//
// Layout (four int32): 'PwSt', the effect instance's id, the parameter revision (ParamRegistry::Revision), and a
// check value of the other three. A token the host did not make (wrong tag, instance or check) counts as a state
// in which everything differs.
#pragma once

#include <cstdint>

#include "ae_effect.h"
#include "host/param_registry.h"

namespace pwhost {

PF_State MakeStateToken(int32_t instance, uint32_t revision);
// The revision a token names; false when the token is not one of this instance's.
bool ReadStateToken(const PF_State& token, int32_t instance, uint32_t& revision);

// Whether the parameters `which` selects changed after `revision`: one index, PF_ParamIndex_CHECK_ALL,
// CHECK_ALL_EXCEPT_LAYER_PARAMS or CHECK_ALL_HONOR_EXCLUDE (skips parameters flagged
// PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED). False for a selector that names nothing.
bool SelectorIsValid(const ParamRegistry& params, PF_ParamIndex which);
bool ChangedSince(const ParamRegistry& params, uint32_t revision, PF_ParamIndex which);

}  // namespace pwhost
