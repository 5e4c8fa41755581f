// The effect driven through our host by bytes: a whole effect state (every parameter, in range or as a damaged
// project could carry it, "BPM" keyframes anywhere), a frame size, depth, times, downsampling, row padding, the
// composition's frame rate and a schedule of failing host calls; then the life of an instance from global set-up
// to global set-down. The host's own accounting finds leaks and breaches; the sanitizers find the rest.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "host/host.h"
#include "shell/commands.h"

namespace {

extern "C" PF_Err PF_CDECL Entry32(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                                   PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kFlavour32, cmd, in, out, params, output, extra);
}

extern "C" PF_Err PF_CDECL Entry64(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                                   PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kFlavour64, cmd, in, out, params, output, extra);
}

[[noreturn]] void Finding(const std::string& what)
{
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr PF_Err kInjected[] = {PF_Err_OUT_OF_MEMORY, PF_Err_INTERNAL_STRUCT_DAMAGED, PF_Err_BAD_CALLBACK_PARAM,
                                0x5A5A, -1};

// What a command of the effect may answer: its own codes, or a code a failing host call handed it.
bool Allowed(PF_Err err)
{
    for (PF_Err code : {PF_Err(PF_Err_NONE), PF_Err(PF_Err_OUT_OF_MEMORY), PF_Err(PF_Err_INTERNAL_STRUCT_DAMAGED),
                        PF_Err(PF_Err_BAD_CALLBACK_PARAM), PF_Err(255)})
        if (err == code) return true;
    for (PF_Err code : kInjected)
        if (err == code) return true;
    return false;
}

// The operations a render calls, as the host names them: every one of them may fail.
const std::vector<std::string>& Operations()
{
    static const std::vector<std::string> ops = [] {
        std::set<std::string> names;
        for (PF_EntryPointFunc entry : {Entry32, Entry64}) {
            pwhost::Host host(entry);
            host.Settings().width = 48;
            host.Settings().height = 32;
            host.Call(PF_Cmd_GLOBAL_SETUP);
            host.Call(PF_Cmd_PARAMS_SETUP);
            host.Call(PF_Cmd_SEQUENCE_SETUP);
            for (const char* t : {"Scroll", "Slice", "Stretch", "RGB Separation", "Color", "Glow", "Blur", "Mosaic",
                                  "Noise", "Time"})
                host.SetParam(std::string(t) + " Manual", pwhost::ParamValue::Integer(1));
            host.Call(PF_Cmd_UPDATE_PARAMS_UI);
            host.RenderFrame(12);
            host.Call(PF_Cmd_SEQUENCE_SETDOWN);
            host.Call(PF_Cmd_GLOBAL_SETDOWN);
            for (const pwhost::CallRecord& call : host.Log().Records()) names.insert(call.op);
        }
        return std::vector<std::string>(names.begin(), names.end());
    }();
    return ops;
}

A_long Clamped(int64_t v) { return static_cast<A_long>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

double AnyDouble(FuzzedDataProvider& in, double lo, double hi)
{
    switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0: return kNan;
        case 1: return in.ConsumeBool() ? kInf : -kInf;
        case 2: return in.ConsumeFloatingPoint<double>();
        case 3: return lo;
        case 4: return hi;
        default: return in.ConsumeFloatingPointInRange(lo, hi);
    }
}

// A value for the parameter: inside its declared range, or (when `wild`) anything its kind can hold.
pwhost::ParamValue ValueFor(FuzzedDataProvider& in, const PF_ParamDef& def, bool wild)
{
    using pwhost::ParamValue;
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            return ParamValue::Number(wild ? AnyDouble(in, -1e6, 1e6)
                                           : in.ConsumeFloatingPointInRange<double>(def.u.fs_d.valid_min,
                                                                                    def.u.fs_d.valid_max));
        case PF_Param_SLIDER:
            return ParamValue::Integer(wild ? in.ConsumeIntegral<int32_t>()
                                            : in.ConsumeIntegralInRange<int32_t>(def.u.sd.valid_min, def.u.sd.valid_max));
        case PF_Param_FIX_SLIDER:
            return ParamValue::Integer(wild ? in.ConsumeIntegral<int32_t>()
                                            : in.ConsumeIntegralInRange<int32_t>(def.u.fd.valid_min, def.u.fd.valid_max));
        case PF_Param_ANGLE: return ParamValue::Integer(in.ConsumeIntegral<int32_t>());
        case PF_Param_POPUP:
            return ParamValue::Integer(wild ? in.ConsumeIntegral<int32_t>()
                                            : in.ConsumeIntegralInRange<int32_t>(1, def.u.pd.num_choices));
        case PF_Param_CHECKBOX:
            return ParamValue::Integer(wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange(0, 1));
        case PF_Param_COLOR:
            return ParamValue::Color(in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>(),
                                     in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>());
        default: return ParamValue::Integer(0);
    }
}

struct Outcome {
    PF_Err err = PF_Err_NONE;
    std::vector<uint8_t> pixels;
};

struct Job {
    PF_EntryPointFunc entry;
    pwhost::HostSettings settings;
    std::vector<std::pair<int, pwhost::ParamValue>> values;
    std::vector<pwhost::Keyframe> bpmKeys;
    struct Fault {
        std::string op;
        int n;
        PF_Err code;
    };
    std::vector<Fault> faults;
    bool faultsFromStart = false;  // counted from global set-up, else from sequence set-up
    int panelUpdates = 0;
    std::vector<A_long> times;  // frames rendered, in order
};

void Check(pwhost::Host& host, PF_Cmd cmd, PF_Err err)
{
    if (!Allowed(err)) Finding("command " + std::to_string(cmd) + " returned " + std::to_string(err));
    if (!host.Violations().empty()) Finding("command " + std::to_string(cmd) + ": " + host.Violations().back());
}

// One instance's life; the output of the last frame rendered, with uncleared worlds holding `fill`.
Outcome Run(const Job& job, uint8_t fill)
{
    pwhost::Host host(job.entry);
    host.SetCallRecording(false);
    host.Settings() = job.settings;
    host.Worlds().SetUnclearedByte(fill);
    Outcome outcome;
    auto fail = [&] {
        for (const Job::Fault& f : job.faults) host.Faults().FailNth(f.op, f.n, f.code);
    };
    if (job.faultsFromStart) fail();
    auto call = [&](PF_Cmd cmd) {
        const PF_Err err = host.Call(cmd).err;
        Check(host, cmd, err);
        return err;
    };
    if (call(PF_Cmd_GLOBAL_SETUP) == PF_Err_NONE && call(PF_Cmd_PARAMS_SETUP) == PF_Err_NONE &&
        host.Params().Count() > 1) {
        for (const auto& [index, value] : job.values) host.SetParam(index, value);
        try {
            if (!job.bpmKeys.empty()) host.SetKeyframes("BPM", job.bpmKeys);
        } catch (const std::invalid_argument&) {
            // Keys no host keeps (two at one time): the host refuses them, the effect never sees them.
        }
        if (!job.faultsFromStart) fail();
        if (call(PF_Cmd_SEQUENCE_SETUP) == PF_Err_NONE) {
            for (int i = 0; i < job.panelUpdates; ++i) call(PF_Cmd_UPDATE_PARAMS_UI);
            for (A_long time : job.times) {
                const pwhost::FrameResult r = host.RenderFrame(time);
                Check(host, PF_Cmd_SMART_RENDER, r.Err());
                outcome.err = r.Err();
                outcome.pixels = r.render.output.bytes;
            }
            call(PF_Cmd_SEQUENCE_SETDOWN);
        }
    }
    call(PF_Cmd_GLOBAL_SETDOWN);
    if (!host.UnaccountedHandles().empty())
        Finding(std::to_string(host.UnaccountedHandles().size()) + " handle(s) left after global set-down");
    return outcome;
}

Job MakeJob(FuzzedDataProvider& in, bool& tame)
{
    Job job;
    job.entry = in.ConsumeBool() ? Entry32 : Entry64;
    pwhost::HostSettings& s = job.settings;
    const bool large = in.ConsumeIntegralInRange(0, 15) == 0;
    s.width = in.ConsumeIntegralInRange<A_long>(0, large ? 320 : 48);
    s.height = in.ConsumeIntegralInRange<A_long>(0, large ? 240 : 40);
    const PF_PixelFormat formats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};
    s.pixelFormat = formats[in.ConsumeIntegralInRange(0, 2)];
    s.rowPaddingPixels = in.ConsumeIntegralInRange<A_long>(0, 7);
    s.applId = in.ConsumeBool() ? PF_APPL_ID_AFTER_EFFECTS : in.ConsumeBool() ? PF_APPL_ID_PREMIERE : 0x3F3F3F3F;
    s.downsampleX = {in.ConsumeIntegralInRange<A_long>(1, 4), in.ConsumeIntegralInRange<A_u_long>(1, 8)};
    s.downsampleY = {in.ConsumeIntegralInRange<A_long>(1, 4), in.ConsumeIntegralInRange<A_u_long>(1, 8)};
    s.quality = in.ConsumeIntegralInRange(0, 1);
    tame = s.downsampleX.num == 1 && s.downsampleY.num == 1;

    // Times: ordinary, or anything the records can hold (zero and negative steps and scales among them).
    if (in.ConsumeBool()) {
        s.timeScale = in.ConsumeIntegral<A_u_long>();
        s.timeStep = in.ConsumeIntegral<A_long>();
        s.localTimeStep = in.ConsumeIntegral<A_long>();
        s.totalTime = in.ConsumeIntegral<A_long>();
        tame = false;
    } else {
        const A_u_long scales[] = {30, 2997, 30000, 25, 24000, 600};
        s.timeScale = scales[in.ConsumeIntegralInRange(0, 5)];
        s.timeStep = s.localTimeStep = in.ConsumeIntegralInRange<A_long>(1, 1001);
        s.totalTime = s.timeStep * in.ConsumeIntegralInRange<A_long>(1, 600);
    }
    const double rates[] = {30, 29.97002997, 25, 60, 1, 0, -30, kNan, kInf, 1e-300, 1e300};
    const int rate = in.ConsumeIntegralInRange(0, 10);
    s.compFrameRate = rate < 10 ? rates[rate] : in.ConsumeFloatingPoint<double>();
    if (rate > 4) tame = false;

    const int frames = in.ConsumeIntegralInRange(1, 3);
    for (int i = 0; i < frames; ++i)
        job.times.push_back(in.ConsumeBool() ? in.ConsumeIntegral<A_long>()
                                             : Clamped(int64_t{s.timeStep} * in.ConsumeIntegralInRange(-2, 400)));
    job.panelUpdates = in.ConsumeIntegralInRange(0, 2);

    // Parameters need their declarations: a scratch instance gives them.
    pwhost::Host scratch(job.entry);
    scratch.SetCallRecording(false);
    scratch.Call(PF_Cmd_GLOBAL_SETUP);
    scratch.Call(PF_Cmd_PARAMS_SETUP);
    const bool wild = in.ConsumeIntegralInRange(0, 3) == 0;
    if (wild) tame = false;
    const int count = static_cast<int>(scratch.Params().Count());
    while (in.remaining_bytes() > 8 && in.ConsumeIntegralInRange(0, 7) != 0) {
        const int index = in.ConsumeIntegralInRange(1, std::max(1, count - 1));
        if (index >= count) break;
        job.values.emplace_back(index, ValueFor(in, scratch.Params().At(index), wild));
    }
    scratch.Call(PF_Cmd_GLOBAL_SETDOWN);

    const int keys = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < keys; ++i) {
        const A_long time = in.ConsumeBool() ? in.ConsumeIntegral<A_long>() : in.ConsumeIntegralInRange<A_long>(-600, 600);
        const double bpm = wild ? AnyDouble(in, -100, 5000) : in.ConsumeFloatingPointInRange(1.0, 1800.0);
        const A_u_long scale = s.timeScale ? s.timeScale : 30;
        job.bpmKeys.push_back(pwhost::Keyframe{A_Time{time, scale}, pwhost::ParamValue::Number(bpm)});
    }

    const int faults = in.ConsumeIntegralInRange(0, 3);
    job.faultsFromStart = in.ConsumeBool();
    const std::vector<std::string>& ops = Operations();
    for (int i = 0; i < faults && !ops.empty(); ++i) {
        job.faults.push_back({ops[in.ConsumeIntegralInRange<std::size_t>(0, ops.size() - 1)],
                              in.ConsumeIntegralInRange(1, 60),
                              kInjected[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kInjected) - 1)]});
        tame = false;
    }
    return job;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Operations();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    bool tame = true;
    const Job job = MakeJob(in, tame);
    const Outcome first = Run(job, pwhost::kUnclearedByte);
    // A render inside the declared ranges, with no failure injected, writes every output pixel and gives the same
    // bytes again, whatever the memory it was given held.
    if (tame && first.err == PF_Err_NONE) {
        const Outcome second = Run(job, static_cast<uint8_t>(~pwhost::kUnclearedByte));
        if (second.err != PF_Err_NONE) Finding("the same render failed the second time: " + std::to_string(second.err));
        if (second.pixels != first.pixels) Finding("the same frame came out different over other memory");
    }
    return 0;
}
