// Parameter and keyframe checkouts that are still to be checked in, so the host can tell when one is forgotten.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ae_effect.h"

namespace pwhost {

enum class CheckoutKind { Param, Keyframe };

struct Checkout {
    CheckoutKind kind;
    PF_ParamIndex index;
    const PF_ParamDef* where;  // the record the host filled
    PF_ParamDef handed;         // what it filled it with
    void* layerPixels;          // the layer world's pixels, for a layer checkout; null otherwise
};

class CheckoutTable {
public:
    void Add(const Checkout& checkout) { open_.push_back(checkout); }
    // Finds the checkout a check-in gives back: the record the host filled, or else a copy of it (the same layer
    // pixels, or the same parameter by type and name). Removes and returns it; false when nothing matches.
    bool Take(CheckoutKind kind, const PF_ParamDef* def, Checkout& taken);

    std::size_t Count() const { return open_.size(); }
    std::size_t Count(CheckoutKind kind) const;
    const std::vector<Checkout>& Open() const { return open_; }
    void Clear() { open_.clear(); }

private:
    std::vector<Checkout> open_;
};

}  // namespace pwhost
