#include "host/faults.h"

namespace pwhost {

void FaultPlan::FailNth(const std::string& op, int n, int32_t code) { rules_.push_back(Rule{op, n, code, false}); }

void FaultPlan::FailFrom(const std::string& op, int n, int32_t code) { rules_.push_back(Rule{op, n, code, true}); }

std::optional<int32_t> FaultPlan::Hit(std::string_view op)
{
    std::optional<int32_t> result;
    if (rules_.empty()) return result;
    for (auto& rule : rules_) {
        if (rule.op != op) continue;
        ++rule.calls;
        const bool fires = rule.sticky ? rule.calls >= rule.n : rule.calls == rule.n;
        if (fires && !result) {
            ++rule.fired;
            result = rule.code;
        }
    }
    return result;
}

int FaultPlan::Fired(const std::string& op) const
{
    int n = 0;
    for (const auto& rule : rules_)
        if (rule.op == op) n += rule.fired;
    return n;
}

int FaultPlan::TotalFired() const
{
    int n = 0;
    for (const auto& rule : rules_) n += rule.fired;
    return n;
}

void FaultPlan::WithholdSuite(const std::string& name, int32_t number) { withheld_.insert({name, number}); }

void FaultPlan::DeliverNullTable(const std::string& name, int32_t number) { nullTable_.insert({name, number}); }

void FaultPlan::ReportErrorWithTable(const std::string& name, int32_t number, SPErr code)
{
    errorWithTable_[{name, number}] = code;
}

bool FaultPlan::Withheld(const std::string& name, int32_t number) const
{
    return withheld_.count({name, number}) != 0;
}

bool FaultPlan::NullTable(const std::string& name, int32_t number) const
{
    return nullTable_.count({name, number}) != 0;
}

std::optional<SPErr> FaultPlan::ErrorWithTable(const std::string& name, int32_t number) const
{
    const auto it = errorWithTable_.find({name, number});
    if (it == errorWithTable_.end()) return std::nullopt;
    return it->second;
}

void FaultPlan::Clear()
{
    rules_.clear();
    withheld_.clear();
    nullTable_.clear();
    errorWithTable_.clear();
    noBroker_ = false;
}

}  // namespace pwhost
