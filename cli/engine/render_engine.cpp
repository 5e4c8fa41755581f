#include "engine/render_engine.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "cli_error.h"
#include "engine/footage_source.h"
#include "engine/host_keyframes.h"
#include "engine/interrupt.h"
#include "io/pixel_format.h"
#include "host/editor_requests.h"
#include "host/host.h"
#include "params/param_ids.h"
#include "schedule/beat_state.h"
#include "schedule/pre_render_data.h"

namespace pwcli {

const char* const kTreatmentNames[10] = {"Scroll", "Slice", "Stretch", "RGB Separation", "Color",
                                         "Glow",   "Blur",  "Mosaic",  "Noise",          "Time"};

std::string HostErrorMeaning(PF_Err err)
{
    const std::string code = " (error " + std::to_string(err) + ")";
    switch (err) {
    case PF_Err_OUT_OF_MEMORY: return "out of memory" + code;
    case 255: return "the frame's buffers do not fit the host's worlds" + code;
    case PF_Err_INTERNAL_STRUCT_DAMAGED: return "the plug-in found the host's data damaged" + code;
    case PF_Err_INVALID_INDEX: return "a parameter index out of range" + code;
    case PF_Err_UNRECOGNIZED_PARAM_TYPE: return "a parameter of an unknown type" + code;
    case PF_Err_INVALID_CALLBACK: return "a host service the plug-in needs is missing" + code;
    case PF_Err_BAD_CALLBACK_PARAM:
        return "a host service refused the plug-in's request or is missing (a suite, the frame rate)" + code;
    case PF_Interrupt_CANCEL: return "stopped by the user" + code;
    default: return "error " + std::to_string(err);
    }
}

namespace {

std::string Describe(const pwhost::CommandResult& r, const char* what)
{
    std::string text = std::string(what) + " failed: " + HostErrorMeaning(r.err);
    const std::string message = r.ReturnMessage();
    if (!message.empty()) text += "; the plug-in says: " + message;
    return text;
}

void Run(pwhost::Host& host, PF_Cmd cmd, const char* what)
{
    const pwhost::CommandResult r = host.Call(cmd);
    if (r.err) throw CliError(kExitRenderFailed, Describe(r, what));
}

pwhost::ParamValue HostValue(const ParamInfo& info, const ParamValue& v)
{
    switch (info.kind) {
    case ParamKind::Float: return pwhost::ParamValue::Number(v.number);
    case ParamKind::Percent: return pwhost::ParamValue::Percent(v.number);
    case ParamKind::Color: return pwhost::ParamValue::Color(255, v.color.red, v.color.green, v.color.blue);
    default: return pwhost::ParamValue::Integer(static_cast<int32_t>(v.number));
    }
}

// The host finds the instance a callback belongs to through its "active" instance. Where that is one for the
// whole process rather than one per thread, two instances must not run commands at the same time: their
// commands then take turns (reading footage and writing files still overlap).
bool HostActivePerThread()
{
    pwhost::HostState probe;
    pwhost::ActiveScope scope(probe);
    const pwhost::HostState* seen = nullptr;
    std::thread([&] { seen = pwhost::ActiveState(); }).join();
    return seen != &probe;
}

std::mutex& HostTurn()
{
    static std::mutex turn;
    return turn;
}

class Turn {
public:
    explicit Turn(bool take) : lock_(HostTurn(), std::defer_lock)
    {
        if (take) lock_.lock();
    }

private:
    std::unique_lock<std::mutex> lock_;
};

}  // namespace

PluginFacts QueryPlugin(PF_EntryPointFunc entry)
{
    pwhost::Host host(entry);
    PluginFacts facts;
    Run(host, PF_Cmd_GLOBAL_SETUP, "global set-up");
    const pwhost::CommandResult about = host.Call(PF_Cmd_ABOUT);
    if (about.err) throw CliError(kExitRenderFailed, Describe(about, "About"));
    facts.about = about.ReturnMessage();
    std::replace(facts.about.begin(), facts.about.end(), '\r', '\n');
    Run(host, PF_Cmd_PARAMS_SETUP, "parameter declaration");
    facts.catalog = ParamCatalog(host.Params());
    Run(host, PF_Cmd_GLOBAL_SETDOWN, "global set-down");
    return facts;
}

struct RenderEngine::Impl {
    explicit Impl(const EngineSetup& s) : setup(s), host(s.entry) {}

    EngineSetup setup;
    pwhost::Host host;
    std::shared_ptr<ReaderSource> source;
    bool sequence = false;
    bool takeTurns = false;

    A_long TimeOf(int n) const { return static_cast<A_long>(FrameToUnits(setup.rate, n)); }

    void CheckViolations(int n)
    {
        if (host.Violations().empty()) return;
        throw CliError(kExitRenderFailed, "frame " + std::to_string(n) + ": the plug-in broke the host interface: " +
                                              host.Violations().front());
    }

    [[noreturn]] void Fail(int n, const pwhost::CommandResult& r, const char* what)
    {
        const std::string footage = source->TakeError();
        if (!footage.empty()) throw CliError(kExitInput, "frame " + std::to_string(n) + ": " + footage);
        if (r.err == PF_Interrupt_CANCEL)
            throw CliError(kExitInterrupted, "frame " + std::to_string(n) + ": stopped by the host's abort");
        throw CliError(kExitRenderFailed, "frame " + std::to_string(n) + ": " + Describe(r, what));
    }
};

RenderEngine::RenderEngine(const EngineSetup& setup) : impl_(std::make_unique<Impl>(setup))
{
    // Asked here, while no command runs anywhere: the probe makes itself the active instance for a moment.
    static const bool perThread = HostActivePerThread();
    impl_->takeTurns = !perThread;
    pwhost::Host& host = impl_->host;
    const ClipInfo& clip = setup.reader->Info();
    pwhost::HostSettings& s = host.Settings();
    s.timeScale = static_cast<A_u_long>(setup.rate.num);
    s.timeStep = s.localTimeStep = setup.rate.den;
    s.totalTime = impl_->TimeOf(clip.frameCount);
    s.compFrameRate = setup.rate.Fps();
    if (setup.premiere) s.application = pwhost::HostApplication::Premiere;
    s.width = clip.width;
    s.height = clip.height;
    s.downsampleX = s.downsampleY = PF_RationalScale{1, static_cast<A_u_long>(setup.downsample)};
    s.pixelFormat = PixelFormatOf(setup.depth);
    impl_->source = std::make_shared<ReaderSource>(setup.reader, setup.rate, setup.depth, setup.downsample);
    host.SetFrameSource(impl_->source);
    host.SetMode(setup.checking ? pwhost::HostMode::Checking : pwhost::HostMode::Production);
    if (setup.pool) host.SetBufferPool(setup.pool);
    // A render of thousands of frames must not keep a record of each call; a trace streams it instead.
    host.SetCallRecording(static_cast<bool>(setup.trace));
    if (setup.trace)
        host.SetCallSink([trace = setup.trace](const pwhost::CallRecord& r) {
            trace(std::to_string(r.command) + " " + r.Text());
        });
    // Ctrl-C reaches the plug-in within a frame, as a host's cancel button does.
    host.SetAbortHook([] { return StopRequested() ? PF_Err(PF_Interrupt_CANCEL) : PF_Err(PF_Err_NONE); });

    Run(host, PF_Cmd_GLOBAL_SETUP, "global set-up");
    Run(host, PF_Cmd_PARAMS_SETUP, "parameter declaration");
    Run(host, PF_Cmd_SEQUENCE_SETUP, "sequence set-up");
    impl_->sequence = true;
    for (const auto& [index, track] : setup.params) {
        const ParamInfo* info = setup.catalog->ByIndex(index);
        if (!info) continue;
        try {
            if (!track.Animated()) {
                host.SetParam(index, HostValue(*info, track.constant));
                continue;
            }
            std::vector<TimedKey> keys;
            std::string error;
            if (!ResolveKeys(*info, track, setup.rate, keys, error)) UsageError(error);
            std::vector<pwhost::Keyframe> hostKeys;
            for (const TimedKey& k : keys)
                hostKeys.push_back(pwhost::Keyframe{A_Time{static_cast<A_long>(k.time), s.timeScale},
                                                    HostValue(*info, k.value)});
            host.SetKeyframes(index, std::move(hostKeys));
        } catch (const std::logic_error& e) {
            throw CliError(kExitUsage, "'" + info->name + "': the host refused the value: " + e.what());
        }
    }
}

RenderEngine::~RenderEngine()
{
    pwhost::Host& host = impl_->host;
    if (host.PreRenderPending()) host.DropPreRender();
    if (impl_->sequence) host.Call(PF_Cmd_SEQUENCE_SETDOWN);
    if (host.GlobalData()) host.Call(PF_Cmd_GLOBAL_SETDOWN);
}

void RenderEngine::SetProgressListener(std::function<void(long current, long total)> listener)
{
    impl_->host.SetProgressHook([listener = std::move(listener)](A_long current, A_long total) {
        if (listener) listener(current, total);
        return StopRequested() ? PF_Err(PF_Interrupt_CANCEL) : PF_Err(PF_Err_NONE);
    });
}

int RenderEngine::Width() const { return pwhost::FrameWidth(impl_->host.Settings()); }
int RenderEngine::Height() const { return pwhost::FrameHeight(impl_->host.Settings()); }

Frame RenderEngine::Render(int n)
{
    pwhost::Host& host = impl_->host;
    Turn turn(impl_->takeTurns);
    // An editor's renderer may pre-render a request twice before it renders it.
    pwhost::FrameResult r = impl_->setup.premiere ? pwhost::RenderAfterTwoPreRenders(host, impl_->TimeOf(n)).frame
                                                  : host.RenderFrame(impl_->TimeOf(n));
    if (r.preRender.command.err) impl_->Fail(n, r.preRender.command, "pre-render");
    if (r.render.command.err) impl_->Fail(n, r.render.command, "render");
    impl_->CheckViolations(n);
    pwhost::Image& image = r.render.output;
    Frame frame;
    frame.width = image.width;
    frame.height = image.height;
    frame.depth = impl_->setup.depth;
    if (image.bytes.empty() || image.bytes.size() != frame.RowBytes() * static_cast<std::size_t>(frame.height))
        throw CliError(kExitRenderFailed, "frame " + std::to_string(n) + ": the render produced no output image");
    frame.pixels = std::move(image.bytes);
    return frame;
}

BeatReport RenderEngine::Beats(int n)
{
    pwhost::Host& host = impl_->host;
    const A_long time = impl_->TimeOf(n);
    host.Settings().currentTime = time;
    Turn turn(impl_->takeTurns);
    const pwhost::PreRenderResult pre = host.SmartPreRender();
    if (pre.command.err) impl_->Fail(n, pre.command, "pre-render");
    host.DropPreRender();
    impl_->CheckViolations(n);
    if (pre.data.size() < sizeof(pw::RenderSettings))
        throw CliError(kExitRenderFailed, "frame " + std::to_string(n) + ": the pre-render handed over no settings");
    pw::RenderSettings settings;
    static_assert(offsetof(pw::PreRenderData, settings) == 0, "the settings lead the pre-render data");
    std::memcpy(&settings, pre.data.data(), sizeof settings);

    const pwhost::HostSettings& s = host.Settings();
    const pw::FrameTime frameTime{time, s.timeStep, s.timeScale};
    HostKeys keys(host, A_Time{time, s.timeScale});
    PF_Err err = PF_Err_NONE;
    pw::BeatState state{};
    // Premiere has no composition: the plug-in takes the rate its time values carry.
    const double rate = impl_->setup.premiere ? pw::TimeValueFrameRate(frameTime) : s.compFrameRate;
    if (pw::StartBeatState(settings, frameTime, rate, keys, err, state) != pw::BeatClockStatus::Ok || err)
        throw CliError(kExitRenderFailed, "frame " + std::to_string(n) + ": no beat clock for these settings");
    std::vector<int32_t> order(static_cast<std::size_t>(std::max(state.orderLength, 1)));
    pw::DecideTreatments(settings, order.data(), state);

    BeatReport b;
    b.frame = n;
    b.seconds = state.secondsNow;
    b.beats = state.beats;
    b.beatIndex = state.beatIndex;
    b.phase = state.phase;
    b.frameInBeat = state.frameInBeat;
    b.framesPerBeat = state.framesPerBeat;
    b.envelope = state.envelope;
    b.inAttack = state.inAttack;
    const bool on[10] = {state.scrollOn, state.sliceOn, state.stretchOn, state.rgbSeparationOn, state.colorOn,
                         state.glowOn,   state.blurOn,  state.mosaicOn,  state.noiseOn,         state.timeOn};
    std::copy(on, on + 10, b.on);
    b.noiseColor = state.noiseColor;
    return b;
}

}  // namespace pwcli
