#include "params_ui_fake_host.h"

#include <cstdint>
#include <cstring>

#include "shell/commands.h"

namespace pw::panel_test {
namespace {

// Host entry points take no context, so the host of the running test is reached through this one pointer.
FakePanelHost* g_host = nullptr;

const PF_ProgPtr kEffectRef = reinterpret_cast<PF_ProgPtr>(static_cast<std::uintptr_t>(0xEFFEC70));

std::string Str(long long v) { return std::to_string(v); }

SPErr PF_CDECL Acquire(const char* name, int32_t number, const void** suite)
{
    FakePanelHost& h = *g_host;
    const std::string key = h.SuiteKey(name, number);
    if (h.Enter("AcquireSuite " + key)) return h.Injected();
    const void* table = h.Refused(name, number) ? nullptr : h.TableFor(key);
    if (!table) return A_Err_MISSING_SUITE;
    *suite = table;
    ++h.suiteBalance[key];
    return 0;
}

SPErr PF_CDECL Release(const char* name, int32_t number)
{
    FakePanelHost& h = *g_host;
    const std::string key = h.SuiteKey(name, number);
    const bool fail = h.Enter("ReleaseSuite " + key);
    if (--h.suiteBalance[key] < 0) h.misuse.push_back("released unheld " + key);
    return fail ? h.Injected() : 0;
}

PF_Handle PF_CDECL UtilsNewHandle(A_HandleSize size)
{
    if (g_host->Enter("utils.host_new_handle " + Str(static_cast<long long>(size)))) return nullptr;
    return g_host->NewHandle(static_cast<std::size_t>(size));
}
void PF_CDECL UtilsDisposeHandle(PF_Handle h)
{
    g_host->Enter("utils.host_dispose_handle " + g_host->NameOf(h));  // cannot fail: it returns nothing
    g_host->DisposeHandle("utils", h);
}
A_char* PF_CDECL UtilsStrcpy(A_char* dst, const A_char* src)
{
    g_host->Enter(std::string("strcpy ") + src);
    return std::strcpy(dst, src);
}

template <int N, typename Size>
PF_Handle PF_CDECL SuiteNewHandle(Size size)
{
    const std::string via = "HandleSuite" + Str(N);
    if (g_host->Enter(via + ".host_new_handle " + Str(static_cast<long long>(size)))) return nullptr;
    return g_host->NewHandle(static_cast<std::size_t>(size));
}
template <int N>
void* PF_CDECL SuiteLock(PF_Handle h)
{
    if (g_host->Enter("HandleSuite" + Str(N) + ".host_lock_handle " + g_host->NameOf(h))) return nullptr;
    return g_host->IsLive(h) ? *h : nullptr;
}
template <int N>
void PF_CDECL SuiteUnlock(PF_Handle h)
{
    g_host->Enter("HandleSuite" + Str(N) + ".host_unlock_handle " + g_host->NameOf(h));
}
template <int N>
void PF_CDECL SuiteDispose(PF_Handle h)
{
    const std::string via = "HandleSuite" + Str(N);
    g_host->Enter(via + ".host_dispose_handle " + g_host->NameOf(h));
    g_host->DisposeHandle(via, h);
}

A_Err PF_CDECL GetNewEffectForEffect(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref, AEGP_EffectRefH* effect)
{
    FakePanelHost& h = *g_host;
    if (h.Enter("GetNewEffectForEffect")) return h.Injected();
    if (plugin_id != kPluginId || effect_ref != kEffectRef || !effect) {
        h.misuse.push_back("GetNewEffectForEffect arguments");
        return A_Err_PARAMETER;
    }
    *effect = static_cast<AEGP_EffectRefH>(h.NewRef(true, 0));
    return 0;
}

A_Err PF_CDECL GetNewEffectStreamByIndex(AEGP_PluginID plugin_id, AEGP_EffectRefH effect, PF_ParamIndex index,
                                         AEGP_StreamRefH* stream)
{
    FakePanelHost& h = *g_host;
    if (h.Enter("GetNewEffectStreamByIndex " + Str(index))) return h.Injected();
    const FakePanelHost::Ref* ref = h.FindRef(effect);
    if (plugin_id != kPluginId || !ref || !ref->effect || !ref->live || index < 1 || index >= PARAM_COUNT ||
        !stream) {
        h.misuse.push_back("GetNewEffectStreamByIndex arguments " + Str(index));
        return A_Err_PARAMETER;
    }
    *stream = static_cast<AEGP_StreamRefH>(h.NewRef(false, index));
    return 0;
}

A_Err PF_CDECL DisposeStream(AEGP_StreamRefH stream)
{
    FakePanelHost& h = *g_host;
    FakePanelHost::Ref* ref = h.FindRef(stream);
    const bool fail = h.Enter("DisposeStream " + (ref ? Str(ref->param) : std::string("?")));
    if (!ref || ref->effect || !ref->live) {
        h.misuse.push_back("DisposeStream of no live stream");
        return A_Err_PARAMETER;
    }
    ref->live = false;  // let go even when complaining
    return fail ? h.Injected() : 0;
}

A_Err PF_CDECL DisposeEffect(AEGP_EffectRefH effect)
{
    FakePanelHost& h = *g_host;
    const bool fail = h.Enter("DisposeEffect");
    FakePanelHost::Ref* ref = h.FindRef(effect);
    if (!ref || !ref->effect || !ref->live) {
        h.misuse.push_back("DisposeEffect of no live effect");
        return A_Err_PARAMETER;
    }
    ref->live = false;
    return fail ? h.Injected() : 0;
}

A_Err PF_CDECL SetDynamicStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean undoable,
                                    A_Boolean set)
{
    FakePanelHost& h = *g_host;
    const FakePanelHost::Ref* ref = h.FindRef(stream);
    const std::string param = ref ? Str(ref->param) : std::string("?");
    if (h.Enter("SetDynamicStreamFlag " + param + " " + Str(flag) + " " + Str(undoable) + " " + Str(set)))
        return h.Injected();
    if (!ref || ref->effect || !ref->live || flag != AEGP_DynStreamFlag_HIDDEN || undoable) {
        h.misuse.push_back("SetDynamicStreamFlag arguments " + param);
        return A_Err_PARAMETER;
    }
    h.hidden[ref->param] = set != 0;
    return 0;
}

template <int N>
PF_Err PF_CDECL HasParamChanged(PF_ProgPtr effect_ref, const PF_State* state, PF_ParamIndex index,
                                PF_Boolean* changed)
{
    FakePanelHost& h = *g_host;
    if (h.Enter("ParamUtils" + Str(N) + ".HasParamChanged " + Str(index))) return h.Injected();
    if (effect_ref != kEffectRef || !h.InLiveBlock(state, sizeof(PF_State)) || !changed) {
        h.misuse.push_back("HasParamChanged arguments");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_State current;
    h.CurrentState(&current);
    *changed = std::memcmp(state, &current, sizeof current) != 0;
    return 0;
}

template <int N>
PF_Err PF_CDECL GetCurrentState(PF_ProgPtr effect_ref, PF_State* state)
{
    FakePanelHost& h = *g_host;
    if (h.Enter("ParamUtils" + Str(N) + ".GetCurrentState")) return h.Injected();
    if (effect_ref != kEffectRef || !h.InLiveBlock(state, sizeof(PF_State))) {
        h.misuse.push_back("GetCurrentState arguments");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    h.CurrentState(state);
    return 0;
}

}  // namespace

FakePanelHost::FakePanelHost(const Flavour& flavour_) : flavour(flavour_), previous_(g_host)
{
    g_host = this;
    broker_.AcquireSuite = Acquire;
    broker_.ReleaseSuite = Release;
    utils_.host_new_handle = UtilsNewHandle;
    utils_.host_dispose_handle = UtilsDisposeHandle;
    utils_.ansi.strcpy = UtilsStrcpy;

    handle1_ = {SuiteNewHandle<1, A_u_long>, SuiteLock<1>, SuiteUnlock<1>, SuiteDispose<1>, nullptr, nullptr};
    handle2_ = {SuiteNewHandle<2, A_HandleSize>, SuiteLock<2>, SuiteUnlock<2>, SuiteDispose<2>, nullptr, nullptr};
    pfInterface_.AEGP_GetNewEffectForEffect = GetNewEffectForEffect;
    stream_.AEGP_GetNewEffectStreamByIndex = GetNewEffectStreamByIndex;
    stream_.AEGP_DisposeStream = DisposeStream;
    dynamicStream_.AEGP_SetDynamicStreamFlag = SetDynamicStreamFlag;
    paramUtils1_.PF_HasParamChanged = HasParamChanged<1>;
    paramUtils1_.PF_GetCurrentState = GetCurrentState<1>;
    paramUtils2_.PF_HasParamChanged = HasParamChanged<2>;
    paramUtils2_.PF_GetCurrentState = GetCurrentState<2>;
    effect_.AEGP_DisposeEffect = DisposeEffect;
    tables_ = {
        {SuiteKey(kPFHandleSuite, 1), &handle1_},         {SuiteKey(kPFHandleSuite, 2), &handle2_},
        {SuiteKey(kAEGPPFInterfaceSuite, 1), &pfInterface_}, {SuiteKey(kAEGPStreamSuite, 7), &stream_},
        {SuiteKey(kAEGPDynamicStreamSuite, 2), &dynamicStream_}, {SuiteKey(kPFParamUtilsSuite, 1), &paramUtils1_},
        {SuiteKey(kPFParamUtilsSuite, 2), &paramUtils2_}, {SuiteKey(kAEGPEffectSuite, 2), &effect_},
    };

    for (int i = 0; i < PARAM_COUNT; ++i) params[i] = &defs[i];
    SetChoice(PARAM_MODE, 1);
    for (int i = PARAM_SCROLL_MANUAL_AUTO; i <= PARAM_TIME_MANUAL_AUTO; ++i) SetChoice(i, 1);
    SetChoice(PARAM_RGB_SEPARATION_COLOR, 1);

    globalHandle = NewHandle(sizeof(PluginGlobalData));
    Global().initialized = 1;
    Global().plugin_id = kPluginId;
    firstSequence = NewHandle(sizeof(SequenceStateRecord));  // zero-filled, as sequence set-up leaves it

    in_data.effect_ref = kEffectRef;
    in_data.pica_basicP = &broker_;
    in_data.utils = &utils_;
    in_data.global_data = globalHandle;
    in_data.sequence_data = firstSequence;
}

FakePanelHost::~FakePanelHost() { g_host = previous_; }

PF_Err FakePanelHost::Run(PF_Cmd cmd)
{
    log.clear();
    opCounts_.clear();
    failedAt = 0;
    out_data = out_template;
    const PF_Err err = Dispatch(flavour, cmd, &in_data, &out_data, params, nullptr, nullptr);
    if (out_data.sequence_data) in_data.sequence_data = out_data.sequence_data;
    return err;
}

void FakePanelHost::SyncToken()
{
    CurrentState(static_cast<PF_State*>(*in_data.sequence_data));
}

bool FakePanelHost::Enter(const std::string& entry)
{
    log.push_back(entry);
    const std::string op = entry.substr(0, entry.find(' '));
    const int nth = ++opCounts_[op];
    const bool fail = failCall_ == static_cast<int>(log.size()) || (op == failOp_ && nth == failOpNth_);
    if (fail && !failedAt) failedAt = static_cast<int>(log.size());
    return fail;
}

PF_Handle FakePanelHost::NewHandle(std::size_t size)
{
    blocks_.push_back(Block{static_cast<int>(blocks_.size()) + 1, std::vector<unsigned char>(size), nullptr, true});
    Block& b = blocks_.back();
    b.ptr = b.bytes.data();
    return &b.ptr;
}

void FakePanelHost::DisposeHandle(const std::string& via, PF_Handle h)
{
    for (Block& b : blocks_) {
        if (&b.ptr == h && b.live) {
            b.live = false;
            return;
        }
    }
    misuse.push_back(via + " disposed no live handle");
}

bool FakePanelHost::IsLive(PF_Handle h) const
{
    for (const Block& b : blocks_)
        if (&b.ptr == h) return b.live;
    return false;
}

std::string FakePanelHost::NameOf(PF_Handle h) const
{
    for (const Block& b : blocks_)
        if (&b.ptr == h) return "#" + Str(b.id);
    return "#?";
}

bool FakePanelHost::InLiveBlock(const void* p, std::size_t size) const
{
    const auto* q = static_cast<const unsigned char*>(p);
    for (const Block& b : blocks_) {
        if (b.live && q >= b.bytes.data() && q + size <= b.bytes.data() + b.bytes.size()) return true;
    }
    return false;
}

bool FakePanelHost::TokenIsCurrent(PF_Handle sequence) const
{
    PF_State current;
    CurrentState(&current);
    return IsLive(sequence) && std::memcmp(*sequence, &current, sizeof current) == 0;
}

void* FakePanelHost::NewRef(bool effect, int param)
{
    refs_.push_back(Ref{effect, param, true});
    return &refs_.back();
}

FakePanelHost::Ref* FakePanelHost::FindRef(const void* ref)
{
    for (Ref& r : refs_)
        if (&r == ref) return &r;
    return nullptr;
}

int FakePanelHost::LiveEffects() const
{
    int n = 0;
    for (const Ref& r : refs_) n += r.effect && r.live;
    return n;
}

int FakePanelHost::LiveStreams() const
{
    int n = 0;
    for (const Ref& r : refs_) n += !r.effect && r.live;
    return n;
}

int FakePanelHost::LiveHandles() const
{
    int n = 0;
    for (const Block& b : blocks_) n += b.live;
    return n;
}

int FakePanelHost::LiveSuites() const
{
    int n = 0;
    for (const auto& s : suiteBalance) n += s.second;
    return n;
}

bool FakePanelHost::Hidden(int index) const
{
    auto it = hidden.find(index);
    return it != hidden.end() && it->second;
}

std::string FakePanelHost::SuiteKey(const char* name, int32_t number) const
{
    return std::string(name) + " " + Str(number);
}

const void* FakePanelHost::TableFor(const std::string& key) const
{
    auto it = tables_.find(key);
    return it == tables_.end() ? nullptr : it->second;
}

bool FakePanelHost::Refused(const char* name, int32_t number) const
{
    for (const auto& r : refused_)
        if (r.first == name && r.second == number) return true;
    return false;
}

void FakePanelHost::CurrentState(PF_State* out) const
{
    *out = PF_State{{0x50574D54, stateVersion_, 0, 0}};
}

}  // namespace pw::panel_test
