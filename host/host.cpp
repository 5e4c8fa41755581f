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
    for (PF_Handle h : state_.handles.Live())
        if (h != global_ && h != sequence_) handles.push_back(h);
    return handles;
}

std::vector<PF_ParamDef*> Host::ParamPointers()
{
    std::vector<PF_ParamDef*> params;
    for (std::size_t i = 0; i < state_.params.Count(); ++i) params.push_back(&state_.params.MutableAt(i));
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

    // Fresh tables every command: what the plug-in may have scribbled on last time does not carry over.
    basic_ = MakeBasicSuite();
    utils_ = MakeUtilCallbacks();

    PF_InData in_data;
    std::memset(&in_data, 0, sizeof in_data);
    in_data.inter = MakeInteractCallbacks();
    in_data.utils = &utils_;
    in_data.effect_ref = state_.EffectRef();
    in_data.quality = settings_.quality;
    in_data.version = settings_.version;
    in_data.appl_id = settings_.applId;
    in_data.num_params = static_cast<A_long>(state_.params.Count());
    in_data.current_time = settings_.currentTime;
    in_data.time_step = settings_.timeStep;
    in_data.total_time = settings_.totalTime;
    in_data.local_time_step = settings_.localTimeStep;
    in_data.time_scale = settings_.timeScale;
    in_data.field = settings_.field;
    in_data.shutter_angle = settings_.shutterAngle;
    in_data.width = settings_.width;
    in_data.height = settings_.height;
    in_data.extent_hint = PF_LRect{0, 0, settings_.width, settings_.height};
    in_data.downsample_x = settings_.downsampleX;
    in_data.downsample_y = settings_.downsampleY;
    in_data.pixel_aspect_ratio = settings_.pixelAspectRatio;
    in_data.in_flags = settings_.inFlags;
    in_data.global_data = global_;
    in_data.sequence_data = sequence_;
    in_data.pica_basicP = state_.faults.NoBroker() ? nullptr : &basic_;
    in_data.shutter_phase = settings_.shutterPhase;

    PF_OutData out_data;
    std::memset(&out_data, options.prefillOutData ? kOutDataPattern : 0, sizeof out_data);
    std::memcpy(&result.before, &out_data, sizeof out_data);

    std::vector<PF_ParamDef*> params = ParamPointers();
    if (entry_) {
        ActiveScope active(state_);
        state_.currentOut = &out_data;
        result.err = entry_(cmd, &in_data, &out_data, params.data(), options.output, options.extra);
        state_.currentOut = nullptr;
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

}  // namespace pwhost
