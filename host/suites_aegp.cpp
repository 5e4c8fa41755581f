// The AEGP suites the effect uses: its layer and composition ("AEGP PF Interface Suite" 1, "AEGP Layer Suite" 11,
// "AEGP Comp Suite" 11), effect references ("AEGP Effect Suite" 2), parameter streams ("AEGP Stream Suite" 7)
// and their flags ("AEGP Dynamic Stream Suite" 2). Effect and stream references must be disposed of within the
// command that obtained them.
#include "host/slot.h"
#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

using Ref = void**;

template <class Out>
void ClearOut(Out* out)
{
    if (out) *out = nullptr;
}

// The common start of every entry: log, fault plan, a place for the answer.
template <class Args, class Body>
A_Err Entry(const char* op, Args&& args, const void* out_ok, Body&& body)
{
    return Guarded<A_Err>(A_Err_GENERIC, [&](HostState& s) -> A_Err {
        s.log.Add(op, [&] { return args(s); });
        if (const auto code = s.faults.Hit(op)) return *code;
        if (!out_ok) {
            s.Violation(std::string(op) + " without a place for its answer");
            return A_Err_PARAMETER;
        }
        return body(s);
    });
}

// A disposal releases even when it is made to fail: the caller could not do it again.
template <class Args, class Body>
A_Err Disposal(const char* op, Args&& args, Body&& body)
{
    return Guarded<A_Err>(A_Err_GENERIC, [&](HostState& s) -> A_Err {
        s.log.Add(op, [&] { return args(s); });
        const auto fault = s.faults.Hit(op);
        const A_Err err = body(s);
        return fault ? *fault : err;
    });
}

auto NoArgs() { return [](HostState&) { return std::string(); }; }

// A reference as the log shows it.
auto Named(void* ref)
{
    return [ref](HostState& s) -> std::string {
        if (!ref) return "null";
        const PF_ParamIndex param = s.refs.StreamParam(static_cast<Ref>(ref));
        if (param >= 0) return "stream of " + std::to_string(param);
        if (s.refs.IsLive(static_cast<Ref>(ref), RefKind::Effect)) return "effect";
        return "unknown";
    };
}

}  // namespace
}  // namespace pwhost

extern "C" {

static A_Err PF_CDECL pwhost_GetEffectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer)
{
    pwhost::ClearOut(layer);
    return pwhost::Entry("AEGP_GetEffectLayer", pwhost::NoArgs(), layer, [&](pwhost::HostState& s) -> A_Err {
        if (!s.IsOurEffect(effect_ref, "AEGP_GetEffectLayer")) return A_Err_PARAMETER;
        *layer = s.LayerRef();
        return A_Err_NONE;
    });
}

static A_Err PF_CDECL pwhost_GetNewEffectForEffect(AEGP_PluginID id, PF_ProgPtr effect_ref, AEGP_EffectRefH* effect)
{
    pwhost::ClearOut(effect);
    return pwhost::Entry("AEGP_GetNewEffectForEffect", [id](pwhost::HostState&) { return std::to_string(id); }, effect, [&](pwhost::HostState& s) -> A_Err {
        if (!s.IsOurEffect(effect_ref, "AEGP_GetNewEffectForEffect")) return A_Err_PARAMETER;
        *effect = reinterpret_cast<AEGP_EffectRefH>(s.refs.New(pwhost::RefKind::Effect));
        return A_Err_NONE;
    });
}

static A_Err PF_CDECL pwhost_GetLayerParentComp(AEGP_LayerH layer, AEGP_CompH* comp)
{
    pwhost::ClearOut(comp);
    return pwhost::Entry("AEGP_GetLayerParentComp", pwhost::NoArgs(), comp, [&](pwhost::HostState& s) -> A_Err {
        if (layer != s.LayerRef()) {
            s.Violation("AEGP_GetLayerParentComp of a layer the host did not hand out");
            return A_Err_PARAMETER;
        }
        *comp = s.CompRef();
        return A_Err_NONE;
    });
}

static A_Err PF_CDECL pwhost_GetCompFramerate(AEGP_CompH comp, A_FpLong* fps)
{
    return pwhost::Entry("AEGP_GetCompFramerate", pwhost::NoArgs(), fps, [&](pwhost::HostState& s) -> A_Err {
        if (comp != s.CompRef()) {
            s.Violation("AEGP_GetCompFramerate of a composition the host did not hand out");
            return A_Err_PARAMETER;
        }
        *fps = s.settings.compFrameRate;
        return A_Err_NONE;
    });
}

static A_Err PF_CDECL pwhost_DisposeEffect(AEGP_EffectRefH effect)
{
    return pwhost::Disposal("AEGP_DisposeEffect", pwhost::Named(effect),
                         [&](pwhost::HostState& s) -> A_Err {
                             if (!s.refs.Dispose(reinterpret_cast<pwhost::Ref>(effect), pwhost::RefKind::Effect)) {
                                 s.Violation("AEGP_DisposeEffect of a reference that is not a live effect");
                                 return A_Err_PARAMETER;
                             }
                             return A_Err_NONE;
                         });
}

static A_Err PF_CDECL pwhost_GetNewEffectStreamByIndex(AEGP_PluginID id, AEGP_EffectRefH effect, PF_ParamIndex index,
                                                       AEGP_StreamRefH* stream)
{
    pwhost::ClearOut(stream);
    return pwhost::Entry(
        "AEGP_GetNewEffectStreamByIndex",
        [&](pwhost::HostState&) { return std::to_string(id) + " " + std::to_string(index); }, stream,
        [&](pwhost::HostState& s) -> A_Err {
            if (!s.refs.IsLive(reinterpret_cast<pwhost::Ref>(effect), pwhost::RefKind::Effect)) {
                s.Violation("AEGP_GetNewEffectStreamByIndex on a reference that is not a live effect");
                return A_Err_PARAMETER;
            }
            if (index < 0 || static_cast<std::size_t>(index) >= s.params.Count()) {
                s.Violation("AEGP_GetNewEffectStreamByIndex of parameter " + std::to_string(index));
                return A_Err_PARAMETER;
            }
            *stream = reinterpret_cast<AEGP_StreamRefH>(s.refs.New(pwhost::RefKind::Stream, index));
            return A_Err_NONE;
        });
}

static A_Err PF_CDECL pwhost_DisposeStream(AEGP_StreamRefH stream)
{
    return pwhost::Disposal("AEGP_DisposeStream", pwhost::Named(stream),
                         [&](pwhost::HostState& s) -> A_Err {
                             if (!s.refs.Dispose(reinterpret_cast<pwhost::Ref>(stream), pwhost::RefKind::Stream)) {
                                 s.Violation("AEGP_DisposeStream of a reference that is not a live stream");
                                 return A_Err_PARAMETER;
                             }
                             return A_Err_NONE;
                         });
}

static A_Err PF_CDECL pwhost_GetDynamicStreamFlags(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags)
{
    return pwhost::Entry("AEGP_GetDynamicStreamFlags", pwhost::Named(stream), flags,
                         [&](pwhost::HostState& s) -> A_Err {
                             const PF_ParamIndex param = s.refs.StreamParam(reinterpret_cast<pwhost::Ref>(stream));
                             if (param < 0) {
                                 s.Violation("AEGP_GetDynamicStreamFlags of a reference that is not a live stream");
                                 return A_Err_PARAMETER;
                             }
                             *flags = s.refs.Flags(param);
                             return A_Err_NONE;
                         });
}

static A_Err PF_CDECL pwhost_SetDynamicStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag,
                                                  A_Boolean undoable, A_Boolean set)
{
    auto args = [&](pwhost::HostState& s) {
        return pwhost::Named(stream)(s) + " " + std::to_string(flag) + " " + std::to_string(undoable) + " " +
               std::to_string(set);
    };
    return pwhost::Entry("AEGP_SetDynamicStreamFlag", args, stream, [&](pwhost::HostState& s) -> A_Err {
        const PF_ParamIndex param = s.refs.StreamParam(reinterpret_cast<pwhost::Ref>(stream));
        if (param < 0) {
            s.Violation("AEGP_SetDynamicStreamFlag of a reference that is not a live stream");
            return A_Err_PARAMETER;
        }
        s.refs.SetFlag(param, flag, set != 0);
        return A_Err_NONE;
    });
}

}  // extern "C"

namespace pwhost {
namespace {

AEGP_PFInterfaceSuite1 MakePFInterface()
{
    AEGP_PFInterfaceSuite1 suite{};
    suite.AEGP_GetEffectLayer = pwhost_GetEffectLayer;
    suite.AEGP_GetNewEffectForEffect = pwhost_GetNewEffectForEffect;
    return suite;
}

AEGP_LayerSuite5 MakeLayer()
{
    AEGP_LayerSuite5 suite{};
    suite.AEGP_GetLayerParentComp = pwhost_GetLayerParentComp;
    return suite;
}

AEGP_CompSuite5 MakeComp()
{
    AEGP_CompSuite5 suite{};
    suite.AEGP_GetCompFramerate = pwhost_GetCompFramerate;
    return suite;
}

AEGP_EffectSuite2 MakeEffect()
{
    AEGP_EffectSuite2 suite{};
    suite.AEGP_DisposeEffect = pwhost_DisposeEffect;
    return suite;
}

AEGP_StreamSuite2 MakeStream()
{
    AEGP_StreamSuite2 suite{};
    suite.AEGP_GetNewEffectStreamByIndex = pwhost_GetNewEffectStreamByIndex;
    suite.AEGP_DisposeStream = pwhost_DisposeStream;
    return suite;
}

AEGP_DynamicStreamSuite2 MakeDynamicStream()
{
    AEGP_DynamicStreamSuite2 suite{};
    SetSlot(suite.AEGP_GetDynamicStreamFlags, pwhost_GetDynamicStreamFlags);
    suite.AEGP_SetDynamicStreamFlag = pwhost_SetDynamicStreamFlag;
    return suite;
}

}  // namespace

void RegisterAegpSuites(SuiteBroker& broker)
{
    static const AEGP_PFInterfaceSuite1 pfInterface = MakePFInterface();
    static const AEGP_LayerSuite5 layer = MakeLayer();
    static const AEGP_CompSuite5 comp = MakeComp();
    static const AEGP_EffectSuite2 effect = MakeEffect();
    static const AEGP_StreamSuite2 stream = MakeStream();
    static const AEGP_DynamicStreamSuite2 dynamicStream = MakeDynamicStream();
    broker.Register(kAEGPPFInterfaceSuite, 1, &pfInterface);
    broker.Register(kAEGPLayerSuite, 11, &layer);
    broker.Register(kAEGPCompSuite, 11, &comp);
    broker.Register(kAEGPEffectSuite, 2, &effect);
    broker.Register(kAEGPStreamSuite, 7, &stream);
    broker.Register(kAEGPDynamicStreamSuite, 2, &dynamicStream);
}

}  // namespace pwhost
