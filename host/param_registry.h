// The parameters the host keeps for one effect instance: the input layer it creates, then what add_param declared,
// each with its value over time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ae_effect.h"
#include "host/keyframes.h"

namespace pwhost {

class ParamRegistry {
public:
    ParamRegistry();

    // Deep copy: the plug-in's record and the texts it points at need not outlive the call. Index -1 (or the
    // current count) appends; any other index is refused with PF_Err_INVALID_INDEX.
    PF_Err Add(PF_ParamIndex index, const PF_ParamDef& def);

    std::size_t Count() const { return entries_.size(); }
    const PF_ParamDef& At(std::size_t index) const { return entries_.at(index)->def; }
    PF_ParamDef& MutableAt(std::size_t index) { return entries_.at(index)->def; }
    // The popup choice list or checkbox label as declared; empty for other kinds.
    const std::string& Text(std::size_t index) const { return entries_.at(index)->text; }
    std::string Name(std::size_t index) const;
    // The first parameter of that display name; -1 if there is none.
    int IndexOf(const std::string& name) const;

    // Values: a static value (which drops any keyframes) or keyframes, checked against the parameter's kind
    // (std::invalid_argument otherwise, or std::out_of_range for a bad index).
    void SetValue(std::size_t index, const ParamValue& value);
    void SetKeyframes(std::size_t index, std::vector<Keyframe> keys);
    const ParamTrack& Track(std::size_t index) const { return entries_.at(index)->track; }
    // The definition as a checkout at that time hands it over: the declaration with the value at `time`.
    PF_ParamDef At(std::size_t index, A_Time time) const;

    // Counts every change of a value or of keyframes; the revision at which each parameter last changed.
    uint32_t Revision() const { return revision_; }
    uint32_t ChangedAt(std::size_t index) const { return entries_.at(index)->changedAt; }

    // Back to the input layer alone.
    void Reset();

private:
    struct Entry {
        PF_ParamDef def;
        std::string text;
        ParamTrack track;
        uint32_t changedAt = 0;
    };
    void RepointText(Entry& entry);
    void Touch(Entry& entry);

    std::vector<std::unique_ptr<Entry>> entries_;
    uint32_t revision_ = 0;
};

// The choices of a "A|B|C" list, in order.
std::vector<std::string> SplitChoices(const std::string& list);

}  // namespace pwhost
