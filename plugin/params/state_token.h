// The host's parameter-state token kept in the sequence record, renewed whenever the host reports a change.
#pragma once

#include "shell/flavour.h"
#include "shell/records.h"
#include "shell/suite_cache.h"

namespace pw {

// The record a handle holds, read straight through the handle (not locked); null for a null handle or block.
template <typename Record>
Record* RecordIn(PF_Handle handle)
{
    return handle ? static_cast<Record*>(*handle) : nullptr;
}

// Needs a sequence record in in_data->sequence_data. On a host error shows "ERROR" and leaves exactly
// PF_OutFlag_DISPLAY_ERROR_MESSAGE in out_flags. A token handle that is not handed to the host is disposed of.
PF_Err RenewStateToken(const Flavour& flavour, HostSuiteCache& suites, PF_InData* in_data, PF_OutData* out_data,
                       const PluginGlobalData& global);

}  // namespace pw
