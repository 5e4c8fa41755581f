#include "host/host.h"

#include <algorithm>
#include <cstring>

#include "host/suites.h"

namespace pwhost {

bool CommandResult::OutDataUntouched() const { return std::memcmp(&before, &after, sizeof before) == 0; }

bool CommandResult::ReturnMessageUntouched() const
{
    return std::memcmp(before.return_msg, after.return_msg, sizeof before.return_msg) == 0;
}

std::string CommandResult::ReturnMessage() const
{
    const char* end = std::find(after.return_msg, after.return_msg + sizeof after.return_msg, '\0');
    return std::string(after.return_msg, end);
}

Host::Host(PF_EntryPointFunc entry) : entry_(entry) {}

void Host::SetMode(HostMode mode)
{
    const bool checking = mode == HostMode::Checking;
    state_.worlds.SetGuarded(checking);
    state_.log.SetRecording(checking);
    if (!checking) state_.settings.rowPaddingPixels = 0;
}

// The host lets go of a request it still holds as a real one does when the effect goes away.
Host::~Host()
{
    if (state_.request.pending) DropPreRender();
}

PF_Handle Host::RestoreSequenceData(const void* bytes, std::size_t size)
{
    PF_Handle h = state_.handles.New(size);
    if (h && size) std::memcpy(*h, bytes, size);
    sequence_ = h;
    return h;
}

std::vector<PF_Handle> Host::UnaccountedHandles() const
{
    std::vector<PF_Handle> handles;
    const PF_Handle pending = state_.request.pending ? static_cast<PF_Handle>(state_.request.data) : nullptr;
    for (PF_Handle h : state_.handles.Live())
        if (h != global_ && h != sequence_ && h != pending) handles.push_back(h);
    return handles;
}

// Each command sees the parameters' values at its current time, in copies: what the plug-in does to them does not
// reach the host's record.
std::vector<PF_ParamDef*> Host::ParamPointers()
{
    const A_Time now{state_.settings.currentTime, state_.settings.timeScale};
    paramValues_.clear();
    for (std::size_t i = 0; i < state_.params.Count(); ++i) paramValues_.push_back(state_.params.At(i, now));
    std::vector<PF_ParamDef*> params;
    for (PF_ParamDef& def : paramValues_) params.push_back(&def);
    params.push_back(nullptr);
    return params;
}

CommandResult Host::Call(PF_Cmd cmd, const CommandOptions& options)
{
    CommandResult result;
    result.cmd = cmd;
    ++state_.command;
    state_.cmd = cmd;
    state_.log.SetCommand(state_.command);
    const std::size_t first_call = state_.log.Size();
    const std::size_t first_violation = state_.violations.size();
    const std::size_t first_progress = state_.progress.size();

    // The smart commands get the host's own records unless the caller brings some.
    void* extra = options.extra;
    const bool hostPreRender = cmd == PF_Cmd_SMART_PRE_RENDER && !extra;
    const bool hostRender = cmd == PF_Cmd_SMART_RENDER && !extra;
    preRenderBytes_.clear();
    deletedInCommand_ = false;
    renderOutput_ = Image{};
    if (hostPreRender) {
        if (state_.request.pending) {
            ActiveScope active(state_);
            deletedInCommand_ = RunDeleteCallback();
        }
        state_.request.PreparePreRender(state_.settings);
        extra = &state_.request.preExtra;
    } else if (hostRender) {
        state_.request.PrepareRender(state_.settings);
        extra = &state_.request.renderExtra;
    }

    // Fresh tables every command: what the plug-in may have scribbled on last time does not carry over.
    basic_ = MakeBasicSuite();
    utils_ = MakeUtilCallbacks();

    const HostSettings& settings = state_.settings;
    PF_InData in_data;
    std::memset(&in_data, 0, sizeof in_data);
    in_data.inter = MakeInteractCallbacks();
    in_data.utils = &utils_;
    in_data.effect_ref = state_.EffectRef();
    in_data.quality = settings.quality;
    in_data.version = settings.version;
    in_data.appl_id = ApplicationId(settings);
    in_data.num_params = static_cast<A_long>(state_.params.Count());
    in_data.current_time = settings.currentTime;
    in_data.time_step = settings.timeStep;
    in_data.total_time = settings.totalTime;
    in_data.local_time_step = LocalTimeStep(settings);
    in_data.time_scale = settings.timeScale;
    in_data.field = settings.field;
    in_data.shutter_angle = settings.shutterAngle;
    in_data.width = settings.width;
    in_data.height = settings.height;
    in_data.extent_hint = PF_LRect{0, 0, settings.width, settings.height};
    in_data.downsample_x = settings.downsampleX;
    in_data.downsample_y = settings.downsampleY;
    in_data.pixel_aspect_ratio = settings.pixelAspectRatio;
    in_data.in_flags = settings.inFlags;
    in_data.global_data = global_;
    in_data.sequence_data = sequence_;
    in_data.pica_basicP = state_.faults.NoBroker() ? nullptr : &basic_;
    in_data.shutter_phase = settings.shutterPhase;

    PF_OutData out_data;
    std::memset(&out_data, options.prefillOutData ? kOutDataPattern : 0, sizeof out_data);
    std::memcpy(&result.before, &out_data, sizeof out_data);

    std::vector<PF_ParamDef*> params = ParamPointers();
    if (entry_) {
        ActiveScope active(state_);
        state_.currentOut = &out_data;
        result.err = entry_(cmd, &in_data, &out_data, params.data(), options.output, extra);
        state_.currentOut = nullptr;
        if (hostPreRender) FinishPreRender(result.err);
        if (hostRender) FinishRender();
    } else {
        state_.Violation("there is no entry point to call");
        result.err = PF_Err_INVALID_CALLBACK;
    }
    std::memcpy(&result.after, &out_data, sizeof out_data);

    Adopt(cmd, result.err, result.before, result.after, in_data.global_data, in_data.sequence_data);
    CheckAfterCommand();

    result.calls = state_.log.Since(first_call);
    result.violations.assign(state_.violations.begin() + static_cast<std::ptrdiff_t>(first_violation),
                             state_.violations.end());
    result.progress.assign(state_.progress.begin() + static_cast<std::ptrdiff_t>(first_progress),
                           state_.progress.end());
    state_.cmd = -1;
    state_.log.SetCommand(0);
    return result;
}

// Ownership passes through out_data: a handle written there is the host's from now on. A field the plug-in left
// alone keeps what the host passed in, if that still exists (the plug-in may have disposed of it).
void Host::Adopt(PF_Cmd cmd, PF_Err err, const PF_OutData& before, const PF_OutData& after, PF_Handle in_global,
                 PF_Handle in_sequence)
{
    auto adopt = [this](const char* field, PF_Handle held, PF_Handle was, PF_Handle now) -> PF_Handle {
        if (now == was) return state_.handles.IsLive(held) ? held : nullptr;
        if (now && !state_.handles.IsLive(now)) {
            state_.Violation(std::string(field) + " handed over a pointer that is not a live handle");
            return nullptr;
        }
        return now;
    };
    switch (cmd) {
    case PF_Cmd_GLOBAL_SETUP:
        global_ = adopt("out_data->global_data", in_global, before.global_data, after.global_data);
        break;
    case PF_Cmd_GLOBAL_SETDOWN:
        if (!err) global_ = nullptr;  // still alive now means it leaked
        break;
    case PF_Cmd_SEQUENCE_SETUP:
    case PF_Cmd_SEQUENCE_RESETUP:
    case PF_Cmd_USER_CHANGED_PARAM:
    case PF_Cmd_UPDATE_PARAMS_UI:
        sequence_ = adopt("out_data->sequence_data", in_sequence, before.sequence_data, after.sequence_data);
        break;
    case PF_Cmd_SEQUENCE_SETDOWN:
        if (!err) sequence_ = nullptr;
        break;
    default: break;
    }
    if (global_ && !state_.handles.IsLive(global_)) {
        state_.Violation("the global data the host holds was disposed of");
        global_ = nullptr;
    }
    if (sequence_ && !state_.handles.IsLive(sequence_)) {
        state_.Violation("the sequence data the host holds was disposed of without a replacement");
        sequence_ = nullptr;
    }
}

// No suite may stay acquired past its command, and every live handle or block must be one the host holds for
// the plug-in. Each leak is reported once.
void Host::CheckAfterCommand()
{
    CheckWorldsAndReferences();

    for (const auto& [key, count] : state_.broker.HeldSuites())
        state_.Violation("suite " + key.Text() + " still held after the command (" + std::to_string(count) +
                         " acquisition(s) not released)");
    state_.broker.ForgetHeld();

    for (PF_Handle h : UnaccountedHandles()) {
        const int serial = state_.handles.Serial(h);
        if (std::find(reported_.begin(), reported_.end(), serial) != reported_.end()) continue;
        reported_.push_back(serial);
        state_.Violation("handle " + state_.HandleName(h) + " of " + std::to_string(*state_.handles.Size(h)) +
                         " bytes leaked: not disposed of and not handed to the host");
    }

    const std::vector<void*> blocks = state_.broker.Blocks();
    reportedBlocks_.erase(std::remove_if(reportedBlocks_.begin(), reportedBlocks_.end(),
                                         [&](void* b) {
                                             return std::find(blocks.begin(), blocks.end(), b) == blocks.end();
                                         }),
                          reportedBlocks_.end());
    for (void* block : blocks) {
        if (std::find(reportedBlocks_.begin(), reportedBlocks_.end(), block) != reportedBlocks_.end()) continue;
        reportedBlocks_.push_back(block);
        state_.Violation("a broker memory block leaked: allocated and never freed");
    }
}

// Worlds the plug-in allocated, checkouts and AEGP references all end with the command that made them. Each is
// reported, then released, so that one slip is reported once.
void Host::CheckWorldsAndReferences()
{
    for (void* data : state_.worlds.Live(WorldOwner::Plugin)) {
        PF_EffectWorld world{};
        world.data = data;
        const auto info = state_.worlds.Find(&world);
        state_.Violation(state_.WorldName(&world) + " of " + std::to_string(info->width) + " x " +
                         std::to_string(info->height) + " pixels was not disposed of");
        state_.worlds.Dispose(world);
    }
    for (const Checkout& c : state_.checkouts.Open()) {
        state_.Violation(std::string(c.kind == CheckoutKind::Param ? "parameter " : "a keyframe of parameter ") +
                         std::to_string(c.index) + " was checked out and not checked in");
        if (c.layerPixels) state_.ReleaseLayerWorld(c.handed.u.ld);
    }
    state_.checkouts.Clear();
    for (RefKind kind : {RefKind::Effect, RefKind::Stream}) {
        if (const std::size_t n = state_.refs.LiveCount(kind))
            state_.Violation(std::to_string(n) + " " + RefKindName(kind) + "(s) not disposed of");
    }
    state_.refs.DropAll();
}

}  // namespace pwhost
