// The parameters the host keeps for one effect instance: the input layer it creates, then what add_param declared.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ae_effect.h"

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

    // Back to the input layer alone.
    void Reset();

private:
    struct Entry {
        PF_ParamDef def;
        std::string text;
    };
    void RepointText(Entry& entry);

    std::vector<std::unique_ptr<Entry>> entries_;
};

// The choices of a "A|B|C" list, in order.
std::vector<std::string> SplitChoices(const std::string& list);

}  // namespace pwhost
