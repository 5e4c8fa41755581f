// exp in plain double arithmetic, so that every build and every C runtime gives the same bits.
#pragma once

namespace pw {

// Within one unit in the last place of the true value; NaN, infinities and out-of-range arguments behave as exp.
double PortableExp(double x);

}  // namespace pw
