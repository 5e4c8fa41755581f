// A scripted stand-in for a plug-in, to test the host on its own: the script is the body of an entry point.
#pragma once

#include <functional>

#include "ae_suites.h"

namespace pwtest {

using FakeScript = std::function<PF_Err(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, void* extra)>;

class FakePlugin {
public:
    explicit FakePlugin(FakeScript script);
    ~FakePlugin();
    FakePlugin(const FakePlugin&) = delete;
    FakePlugin& operator=(const FakePlugin&) = delete;

    PF_EntryPointFunc Entry() const;
};

// The params array of the command the fake plug-in is running.
PF_ParamDef** FakeParams();

// The suite of that (name, number) from the broker in in_data, or null.
template <class Suite>
const Suite* AcquireFrom(PF_InData* in_data, const char* name, int32_t number, SPErr* err = nullptr)
{
    const void* table = nullptr;
    const SPErr e = in_data->pica_basicP->AcquireSuite(name, number, &table);
    if (err) *err = e;
    return static_cast<const Suite*>(table);
}

}  // namespace pwtest
