#include "schedule/frame_order.h"

namespace pw {

void FillIdentityOrder(int32_t* order, int32_t length)
{
    for (int32_t i = 0; i < length; ++i) order[i] = i;
}

void ReverseOrder(int32_t* order, int32_t length)
{
    for (int32_t i = 0; i < length; ++i) order[i] = length - 1 - i;
}

void FillZero(int32_t* order, int32_t length)
{
    for (int32_t i = 0; i < length; ++i) order[i] = 0;
}

void ShuffleOrder(int32_t* order, int32_t length, RandomStream& stream)
{
    for (int32_t i = 0; i < length; ++i) {
        // NextReal < 1 keeps j below length: the product's gap to length is far above its rounding error.
        const int32_t j = static_cast<int32_t>(NextReal(stream) * length);
        const int32_t swapped = order[i];
        order[i] = order[j];
        order[j] = swapped;
    }
}

}  // namespace pw
