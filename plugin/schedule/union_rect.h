// Bounding box of two host rectangles, where an empty rectangle (left >= right or top >= bottom) adds nothing.
#pragma once

#include "ae_basic.h"

namespace pw {

// An empty destination takes the source as it is, even an empty one.
void UnionRect(const PF_LRect& source, PF_LRect& destination);

}  // namespace pw
