// Failures the host injects on request, to drive the plug-in down its error paths.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ae_basic.h"

namespace pwhost {

// The broker's answer for a suite it does not have: 'S!Fd'.
constexpr SPErr kSPSuiteNotFoundError = 0x53214664;

class FaultPlan {
public:
    // The n-th call (1-based, counted from now) of the named operation fails with `code`. Operations that return
    // a pointer or handle fail by returning null; the others return the code. Operations that give something
    // back (check-ins, disposals, ReleaseSuite) still take it back when they fail: the plug-in could not try
    // again, so the failure tests only how it treats the code.
    void FailNth(const std::string& op, int n, int32_t code);
    // The same, for the n-th call and every later one.
    void FailFrom(const std::string& op, int n, int32_t code);

    // Called by every operation that can fail, once per call: counts the call and answers whether it fails now.
    std::optional<int32_t> Hit(std::string_view op);
    // How often injected failures of this operation (or of any) have fired.
    int Fired(const std::string& op) const;
    int TotalFired() const;

    // Suite-level faults, per (name, number).
    void WithholdSuite(const std::string& name, int32_t number);
    void DeliverNullTable(const std::string& name, int32_t number);
    void ReportErrorWithTable(const std::string& name, int32_t number, SPErr code = kSPSuiteNotFoundError);
    bool Withheld(const std::string& name, int32_t number) const;
    bool NullTable(const std::string& name, int32_t number) const;
    std::optional<SPErr> ErrorWithTable(const std::string& name, int32_t number) const;

    // pica_basicP is null in every command while set.
    void SetNoBroker(bool none) { noBroker_ = none; }
    bool NoBroker() const { return noBroker_; }

    void Clear();

private:
    struct Rule {
        std::string op;
        int n;
        int32_t code;
        bool sticky;
        int calls = 0;
        int fired = 0;
    };
    using SuiteKey = std::pair<std::string, int32_t>;

    std::vector<Rule> rules_;
    std::set<SuiteKey> withheld_;
    std::set<SuiteKey> nullTable_;
    std::map<SuiteKey, SPErr> errorWithTable_;
    bool noBroker_ = false;
};

}  // namespace pwhost
