#include <cstring>

#include "commands.h"
#include "records.h"
#include "suite_cache.h"

namespace pw {

PF_Err SequenceSetup(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data)
{
    HostSuiteCache suites(in_data->pica_basicP);
    // A stored record (re-set-up of a saved project) is discarded, never read back.
    PF_Err err = SequenceSetdown(flavour, in_data, out_data);
    if (err) return err;
    if (out_data->sequence_data == in_data->sequence_data) out_data->sequence_data = nullptr;  // now disposed

    HandleSuite handles(suites, flavour);
    PF_Handle sequence = handles.NewHandle(sizeof(SequenceStateRecord));
    if (!sequence) return PF_Err_OUT_OF_MEMORY;
    if (void* record = handles.Lock(sequence)) {
        std::memset(record, 0, sizeof(SequenceStateRecord));
        out_data->sequence_data = sequence;
        handles.Unlock(sequence);
    } else {
        handles.Dispose(sequence);  // not handed over, so nobody else would free it
    }
    return PF_Err_NONE;
}

PF_Err SequenceSetdown(const Flavour& flavour, PF_InData* in_data, PF_OutData* /*out_data*/)
{
    if (in_data->sequence_data) {
        HostSuiteCache suites(in_data->pica_basicP);
        HandleSuite(suites, flavour).Dispose(in_data->sequence_data);
    }
    return PF_Err_NONE;
}

}  // namespace pw
