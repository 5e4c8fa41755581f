// The Time treatment's frame order: entry i names the frame of the beat shown at frame i of the beat.
#pragma once

#include <cstdint>

#include "kernels/random_stream.h"

namespace pw {

void FillIdentityOrder(int32_t* order, int32_t length);  // 0, 1, ..., length - 1
void ReverseOrder(int32_t* order, int32_t length);       // length - 1, ..., 0
void FillZero(int32_t* order, int32_t length);

// Each position in turn swaps with a drawn one: length draws, and not a uniform shuffle.
void ShuffleOrder(int32_t* order, int32_t length, RandomStream& stream);

}  // namespace pw
