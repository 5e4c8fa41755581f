// RGB Separation's three copy colours add up to white per channel, so that the copies recombine to the source.
#pragma once

#include "ae_basic.h"

namespace pw {

// Scales c1 and c2 down when their sum passes 255 in some channel, writes c3 = white - c1 - c2, all alphas 255.
void DeriveThirdColor(PF_Pixel8& c1, PF_Pixel8& c2, PF_Pixel8& c3);

}  // namespace pw
