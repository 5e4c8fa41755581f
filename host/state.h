// Everything the plug-in's callbacks reach while a command runs.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ae_effect.h"
#include "host/broker.h"
#include "host/call_log.h"
#include "host/faults.h"
#include "host/handles.h"
#include "host/param_registry.h"

namespace pwhost {

struct Registration {
    AEGP_PluginID id;
    std::string name;
};

struct HostState {
    HostState();  // serves the standard suites
    HostState(const HostState&) = delete;
    HostState& operator=(const HostState&) = delete;

    CallLog log;
    FaultPlan faults;
    HandleTable handles;
    SuiteBroker broker;
    ParamRegistry params;
    std::vector<std::string> violations;
    std::vector<Registration> registrations;
    AEGP_PluginID nextPluginId = 1001;

    // The command in progress: its ordinal (1 for the first), number and output record.
    int command = 0;
    PF_Cmd cmd = -1;
    PF_OutData* currentOut = nullptr;

    // Only its address matters: it identifies the effect instance to the plug-in.
    char effectToken = 0;
    PF_ProgPtr EffectRef() { return reinterpret_cast<PF_ProgPtr>(&effectToken); }

    // Records a breach of the interface by the plug-in, naming the command it happened in.
    void Violation(const std::string& text);
    std::string HandleName(PF_Handle h) const;
};

// The callbacks carry no context of their own (host_new_handle takes only a size), so the host running a command
// makes itself the active one. One command runs at a time; the plug-in starts no threads.
HostState* ActiveState();

class ActiveScope {
public:
    explicit ActiveScope(HostState& state);
    ~ActiveScope();
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;

private:
    HostState* previous_;
};

// Runs a callback body against the active host; no exception may cross back into the plug-in.
template <class R, class Body>
R Guarded(R on_failure, Body&& body) noexcept
{
    HostState* state = ActiveState();
    if (!state) return on_failure;
    try {
        return body(*state);
    } catch (...) {
        return on_failure;
    }
}

template <class Body>
void GuardedVoid(Body&& body) noexcept
{
    HostState* state = ActiveState();
    if (!state) return;
    try {
        body(*state);
    } catch (...) {
    }
}

}  // namespace pwhost
