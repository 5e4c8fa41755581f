#include "fake_plugin.h"

namespace pwtest {
namespace {

FakeScript* g_script = nullptr;
PF_ParamDef** g_params = nullptr;

}  // namespace
}  // namespace pwtest

extern "C" {
static PF_Err PF_CDECL pwtest_fake_entry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef** params,
                                         PF_LayerDef*, void* extra)
{
    pwtest::g_params = params;
    const PF_Err err = (*pwtest::g_script)(cmd, in_data, out_data, extra);
    pwtest::g_params = nullptr;
    return err;
}
}

namespace pwtest {

FakePlugin::FakePlugin(FakeScript script) { g_script = new FakeScript(std::move(script)); }

FakePlugin::~FakePlugin()
{
    delete g_script;
    g_script = nullptr;
}

PF_EntryPointFunc FakePlugin::Entry() const { return pwtest_fake_entry; }

PF_ParamDef** FakeParams() { return g_params; }

}  // namespace pwtest
