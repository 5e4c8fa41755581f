// Everything the plug-in's callbacks reach while a command runs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ae_effect.h"
#include "host/broker.h"
#include "host/call_log.h"
#include "host/checkouts.h"
#include "host/faults.h"
#include "host/frame_source.h"
#include "host/handles.h"
#include "host/param_registry.h"
#include "host/references.h"
#include "host/render_request.h"
#include "host/settings.h"
#include "host/worlds.h"

namespace pwhost {

struct Registration {
    AEGP_PluginID id;
    std::string name;
};

struct ProgressReport {
    A_long current;
    A_long total;
    bool operator==(const ProgressReport& o) const { return current == o.current && total == o.total; }
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
    HostSettings settings;
    WorldTable worlds;
    ReferenceTable refs;
    CheckoutTable checkouts;
    RenderRequest request;
    std::shared_ptr<FrameSource> frames;  // the input layer's footage
    std::vector<ProgressReport> progress;
    // Asked after the fault plan by `abort` and `progress`: a non-zero answer is the plug-in's cancel.
    std::function<PF_Err()> abortHook;
    std::function<PF_Err(A_long current, A_long total)> progressHook;
    std::vector<std::string> violations;
    std::vector<Registration> registrations;
    AEGP_PluginID nextPluginId = 1001;

    // The command in progress: its ordinal (1 for the first), number and output record.
    int command = 0;
    PF_Cmd cmd = -1;
    PF_OutData* currentOut = nullptr;

    // Only their addresses matter: they identify the effect instance, its layer and composition to the plug-in.
    char effectToken = 0;
    char layerToken = 0;
    char compToken = 0;
    void* layerMaster = &layerToken;
    void* compMaster = &compToken;
    PF_ProgPtr EffectRef() { return reinterpret_cast<PF_ProgPtr>(&effectToken); }
    AEGP_LayerH LayerRef() { return reinterpret_cast<AEGP_LayerH>(&layerMaster); }
    AEGP_CompH CompRef() { return reinterpret_cast<AEGP_CompH>(&compMaster); }
    // Identifies this instance in its parameter-state tokens.
    int32_t instanceId = 0;

    // Records a breach of the interface by the plug-in, naming the command it happened in.
    void Violation(const std::string& text);
    std::string HandleName(PF_Handle h) const;
    // "world #n" for a world the host allocated, else a description of the pointer.
    std::string WorldName(const PF_EffectWorld* world) const;
    // A call naming another effect instance is a violation; false then.
    bool IsOurEffect(PF_ProgPtr effect_ref, const char* op);

    // The input layer at a time: a host world of the render's format and frame size, filled by the frame source
    // (transparent black outside the layer's duration). The world must be released with ReleaseLayerWorld.
    PF_Err NewLayerWorld(A_long time, A_u_long scale, PF_EffectWorld& world);
    void ReleaseLayerWorld(const PF_EffectWorld& world);
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
