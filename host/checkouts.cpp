#include "host/checkouts.h"

#include <cstring>

namespace pwhost {

bool CheckoutTable::Take(CheckoutKind kind, const PF_ParamDef* def, Checkout& taken)
{
    if (!def) return false;
    auto take = [&](std::size_t i) {
        taken = open_[i];
        open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    };
    // Newest first: a record reused for a second checkout names the later one.
    for (std::size_t i = open_.size(); i-- > 0;)
        if (open_[i].kind == kind && open_[i].where == def) return take(i);
    for (std::size_t i = open_.size(); i-- > 0;) {
        const Checkout& c = open_[i];
        if (c.kind != kind || c.handed.param_type != def->param_type) continue;
        if (c.layerPixels ? c.layerPixels == def->u.ld.data
                          : std::strncmp(c.handed.name, def->name, sizeof def->name) == 0)
            return take(i);
    }
    return false;
}

std::size_t CheckoutTable::Count(CheckoutKind kind) const
{
    std::size_t n = 0;
    for (const Checkout& c : open_) n += c.kind == kind;
    return n;
}

}  // namespace pwhost
