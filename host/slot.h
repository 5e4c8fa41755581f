// Putting a callback into a table slot, whether the slot is typed or, for callbacks we do not declare in full,
// an untyped placeholder.
#pragma once

#include <type_traits>

namespace pwhost {

template <class Slot, class Fn>
void SetSlot(Slot& slot, Fn fn)
{
    if constexpr (std::is_same_v<Slot, void*>)
        slot = reinterpret_cast<void*>(fn);
    else
        slot = fn;
}

}  // namespace pwhost
