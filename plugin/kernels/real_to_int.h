// Real-to-integer conversions that truncate toward zero and are defined for every double.
#pragma once

#include <cstdint>

namespace pw {

// NaN gives 0; values beyond the int32 range saturate. Inside the range this is a plain truncation.
inline int32_t TruncToInt32(double x)
{
    if (x > -2147483649.0 && x < 2147483648.0) {
        return static_cast<int32_t>(x);
    }
    if (x >= 2147483648.0) {
        return INT32_MAX;
    }
    if (x <= -2147483649.0) {
        return INT32_MIN;
    }
    return 0;
}

// Truncation clamped to [lo, hi]; NaN gives 0 (which callers keep inside their range).
inline int32_t TruncClamped(double x, int32_t lo, int32_t hi)
{
    if (x >= lo && x <= hi) {
        return static_cast<int32_t>(x);
    }
    if (x > hi) {
        return hi;
    }
    if (x < lo) {
        return lo;
    }
    return 0;
}

}  // namespace pw
