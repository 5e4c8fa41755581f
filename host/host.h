// One effect instance in our host: builds PF_InData/PF_OutData for each command, calls the plug-in, keeps what
// it hands over and checks after every command that nothing leaked: handles, suites, broker blocks, worlds,
// parameter and keyframe checkouts, effect and stream references.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ae_suites.h"
#include "host/keyframes.h"
#include "host/settings.h"
#include "host/state.h"

namespace pwhost {

// Byte that fills PF_OutData before a command when asked to, so that untouched fields can be recognised.
constexpr unsigned char kOutDataPattern = 0xA5;

struct CommandOptions {
    // Without an extra record, the smart pre-render and smart render commands get the host's own (built from the
    // settings, with the host's request bookkeeping); any other command gets null.
    void* extra = nullptr;
    PF_LayerDef* output = nullptr;
    bool prefillOutData = false;  // kOutDataPattern instead of zeros
};

struct CommandResult {
    PF_Cmd cmd = 0;
    PF_Err err = PF_Err_NONE;
    PF_OutData before{};  // as handed to the plug-in
    PF_OutData after{};   // as the plug-in left it
    std::vector<CallRecord> calls;        // host operations called during this command, in order
    std::vector<std::string> violations;  // breaches found during and after this command
    std::vector<ProgressReport> progress;  // (current, total) of each progress call

    bool OutDataUntouched() const;
    bool ReturnMessageUntouched() const;
    // return_msg up to its terminator (or its full length if it has none).
    std::string ReturnMessage() const;
    std::size_t Count(const std::string& op) const { return CountOp(calls, op); }
    std::size_t CountCall(const std::string& text) const { return CountText(calls, text); }
};

struct PreRenderResult {
    CommandResult command;
    PF_PreRenderInput input{};    // as handed to the plug-in
    PF_PreRenderOutput output{};  // as the plug-in left it
    std::vector<LayerCheckoutRecord> layerCheckouts;
    // The bytes of the pre-render data right after the call, when it is a live host handle.
    std::vector<uint8_t> data;
    // The host keeps the request for a render; after a failed pre-render it drops it at once instead.
    bool pending = false;
    // The pre-render data's delete callback ran during this command (a dropped request).
    bool deleted = false;
};

struct RenderResult {
    CommandResult command;
    Image output;          // the output world's pixels, when the plug-in checked it out
    bool deleted = false;  // the request's delete callback ran after the render
};

struct FrameResult {
    PreRenderResult preRender;
    RenderResult render;
    bool rendered = false;  // false when the pre-render failed
    PF_Err Err() const { return preRender.command.err ? preRender.command.err : render.command.err; }
};

// Checking: the host as a plug-in's examiner (padded rows, guard bytes, uncleared worlds filled with a pattern,
// every call recorded). Production: the host as a real one runs a render (worlds lent from a pool as they are,
// rows packed, nothing recorded, the output handed over without a copy). Leak accounting runs in both.
enum class HostMode { Checking, Production };

class Host {
public:
    explicit Host(PF_EntryPointFunc entry);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    CommandResult Call(PF_Cmd cmd, const CommandOptions& options = {});

    HostSettings& Settings() { return state_.settings; }
    FaultPlan& Faults() { return state_.faults; }
    // What `abort` and `progress` answer when no fault is planned: a user's cancel, a progress display.
    void SetAbortHook(std::function<PF_Err()> hook) { state_.abortHook = std::move(hook); }
    void SetProgressHook(std::function<PF_Err(A_long current, A_long total)> hook)
    {
        state_.progressHook = std::move(hook);
    }
    void SetMode(HostMode mode);
    HostMode Mode() const { return state_.worlds.Guarded() ? HostMode::Checking : HostMode::Production; }
    // Pixel memory shared with the footage and the writers (production renders on several threads).
    void SetBufferPool(std::shared_ptr<BufferPool> pool) { state_.worlds.SetPool(std::move(pool)); }
    const CallLog& Log() const { return state_.log; }
    void SetCallRecording(bool on) { state_.log.SetRecording(on); }
    // Recorded calls go to `sink` as they happen instead of being kept.
    void SetCallSink(std::function<void(const CallRecord&)> sink) { state_.log.SetSink(std::move(sink)); }
    HandleTable& Handles() { return state_.handles; }
    SuiteBroker& Broker() { return state_.broker; }
    WorldTable& Worlds() { return state_.worlds; }
    const ReferenceTable& References() const { return state_.refs; }
    const ParamRegistry& Params() const { return state_.params; }
    const std::vector<Registration>& Registrations() const { return state_.registrations; }
    const std::vector<ProgressReport>& Progress() const { return state_.progress; }

    // Parameter values. Indices are positions in the params array (0 is the input layer); names are display
    // names. A static value drops the parameter's keyframes. Misuse throws (std::out_of_range for an unknown
    // index or name, std::invalid_argument for a value of the wrong kind).
    int ParamIndex(const std::string& name) const;
    void SetParam(int index, const ParamValue& value);
    void SetParam(const std::string& name, const ParamValue& value);
    void SetKeyframes(int index, std::vector<Keyframe> keys);
    void SetKeyframes(const std::string& name, std::vector<Keyframe> keys);
    // The definition a checkout at that time would hand over (the current time when no time is given).
    PF_ParamDef ParamAt(int index, A_Time time) const;
    PF_ParamDef ParamNow(int index) const;
    // A key at `time` in the host's time scale.
    Keyframe Key(A_long time, const ParamValue& value) const { return Keyframe{A_Time{time, state_.settings.timeScale}, value}; }

    // The dynamic stream flags the plug-in set on a parameter's stream (AEGP_DynStreamFlag_*).
    AEGP_DynStreamFlags StreamFlags(int index) const { return state_.refs.Flags(index); }
    bool StreamHidden(int index) const { return (StreamFlags(index) & AEGP_DynStreamFlag_HIDDEN) != 0; }

    // The footage of the input layer (a TestPattern until replaced).
    void SetFrameSource(std::shared_ptr<FrameSource> source) { state_.frames = std::move(source); }
    // The input frame the host would hand the plug-in at `time` (in the settings' time scale), without padding.
    Image InputFrame(A_long time);

    // Smart rendering of one request. The pre-render's data stays with the host until the render of the same
    // request is done (or the request is dropped: after a failed pre-render, on DropPreRender, on a new
    // pre-render, or when the host goes); then its delete callback runs, once, and a handle handed over as
    // pre-render data must be gone after it.
    PreRenderResult SmartPreRender();
    RenderResult SmartRender();
    bool PreRenderPending() const { return state_.request.pending; }
    void DropPreRender();
    // Pre-render and render of the frame at `time` (which becomes the current time).
    FrameResult RenderFrame(A_long time);

    // What the host holds for the plug-in between commands.
    PF_Handle GlobalData() const { return global_; }
    PF_Handle SequenceData() const { return sequence_; }
    // A record the host hands in as if restored from a saved project; it then belongs to the host.
    PF_Handle RestoreSequenceData(const void* bytes, std::size_t size);

    // Every breach so far, each naming its command.
    const std::vector<std::string>& Violations() const { return state_.violations; }
    // Live handles other than the ones held for the plug-in (global, sequence and pending pre-render data).
    std::vector<PF_Handle> UnaccountedHandles() const;

private:
    void Adopt(PF_Cmd cmd, PF_Err err, const PF_OutData& before, const PF_OutData& after, PF_Handle in_global,
               PF_Handle in_sequence);
    void FinishPreRender(PF_Err err);
    void FinishRender();
    bool RunDeleteCallback();
    void CheckAfterCommand();
    void CheckWorldsAndReferences();
    std::vector<PF_ParamDef*> ParamPointers();

    PF_EntryPointFunc entry_;
    HostState state_;
    SPBasicSuite basic_{};
    PF_UtilCallbacks utils_{};
    std::vector<PF_ParamDef> paramValues_;  // the params array of the running command
    PF_Handle global_ = nullptr;
    PF_Handle sequence_ = nullptr;
    std::vector<int> reported_;  // serials of handles already reported as leaked
    std::vector<void*> reportedBlocks_;
    // Gathered while a smart command runs, for its result.
    std::vector<uint8_t> preRenderBytes_;
    bool deletedInCommand_ = false;
    Image renderOutput_;
};

}  // namespace pwhost
