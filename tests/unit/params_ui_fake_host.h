// A scripted host for the panel update: it serves the suites that handler uses by (name, number), keeps stream
// flags, references and handles as a host would, records every call in order and can fail any one of them.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ae_suites.h"
#include "params/param_ids.h"
#include "shell/flavour.h"
#include "shell/records.h"

namespace pw::panel_test {

inline constexpr AEGP_PluginID kPluginId = 4711;
// A failed call returns this plus its position in the log, so a result names the call that produced it.
inline constexpr PF_Err kInjectedBase = 7000;

class FakePanelHost {
public:
    explicit FakePanelHost(const Flavour& flavour);
    ~FakePanelHost();
    FakePanelHost(const FakePanelHost&) = delete;
    FakePanelHost& operator=(const FakePanelHost&) = delete;

    // One command through the dispatch: out_data starts as `out_template`, the log and call counts start empty,
    // and the sequence handle the plug-in hands back is the one passed in next time.
    PF_Err Run(PF_Cmd cmd = PF_Cmd_UPDATE_PARAMS_UI);

    void SetChoice(int index, PF_ParamValue value) { defs[index].u.pd.value = value; }
    // The host's parameter state moves on, so the stored token no longer matches.
    void ChangeParams() { ++stateVersion_; }
    // Stores the current state in the sequence record, as if an earlier run had.
    void SyncToken();

    // Faults, kept across runs: the n-th call of the next run (1-based), and/or the nth call of one operation.
    void FailCall(int n) { failCall_ = n; }
    void FailOperation(std::string op, int nth)
    {
        failOp_ = std::move(op);
        failOpNth_ = nth;
    }
    void RefuseSuite(const std::string& name, int32_t number) { refused_.emplace_back(name, number); }

    // What the host saw.
    std::vector<std::string> log;
    std::vector<std::string> misuse;  // calls a real host would reject or crash on
    int failedAt = 0;                 // log position of the first failed call of the run, 0 if none
    bool Hidden(int index) const;     // the stream's hidden flag as the host keeps it
    int LiveEffects() const;
    int LiveStreams() const;
    int LiveHandles() const;
    int LiveSuites() const;
    std::string NameOf(PF_Handle h) const;  // "#k" in allocation order
    bool IsLive(PF_Handle h) const;
    bool TokenIsCurrent(PF_Handle sequence) const;

    PluginGlobalData& Global() { return *static_cast<PluginGlobalData*>(*globalHandle); }
    PF_Handle globalHandle = nullptr;
    PF_Handle firstSequence = nullptr;

    PF_InData in_data{};
    PF_OutData out_template{};
    PF_OutData out_data{};
    PF_ParamDef defs[PARAM_COUNT]{};
    PF_ParamDef* params[PARAM_COUNT]{};
    const Flavour& flavour;

    // For the host's entry points (which get no context of their own).
    bool Enter(const std::string& entry);  // logs the call; true when it must fail
    PF_Err Injected() const { return kInjectedBase + static_cast<PF_Err>(log.size()); }
    PF_Handle NewHandle(std::size_t size);
    void DisposeHandle(const std::string& via, PF_Handle h);
    bool InLiveBlock(const void* p, std::size_t size) const;
    void* NewRef(bool effect, int param);
    struct Ref {
        bool effect;
        int param;
        bool live;
    };
    Ref* FindRef(const void* ref);
    std::string SuiteKey(const char* name, int32_t number) const;
    const void* TableFor(const std::string& key) const;
    bool Refused(const char* name, int32_t number) const;
    void CurrentState(PF_State* out) const;

    std::map<int, bool> hidden;
    std::map<std::string, int> suiteBalance;

private:
    struct Block {
        int id;
        std::vector<unsigned char> bytes;
        void* ptr;
        bool live;
    };
    std::deque<Block> blocks_;
    std::deque<Ref> refs_;
    std::map<std::string, int> opCounts_;
    std::vector<std::pair<std::string, int32_t>> refused_;
    int failCall_ = 0;
    std::string failOp_;
    int failOpNth_ = 0;
    int32_t stateVersion_ = 1;
    FakePanelHost* previous_;  // hosts nest: an inner one (a reference run) hands the entry points back

    SPBasicSuite broker_{};
    PF_UtilCallbacks utils_{};
    PF_HandleSuite1Size32 handle1_{};
    PF_HandleSuite1 handle2_{};
    AEGP_PFInterfaceSuite1 pfInterface_{};
    AEGP_StreamSuite2 stream_{};
    AEGP_DynamicStreamSuite2 dynamicStream_{};
    PF_ParamUtilsSuiteLegacy1 paramUtils1_{};
    PF_ParamUtilsSuite1 paramUtils2_{};
    AEGP_EffectSuite2 effect_{};
    std::map<std::string, const void*> tables_;
};

}  // namespace pw::panel_test
