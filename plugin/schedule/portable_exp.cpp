#include "schedule/portable_exp.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace pw {
namespace {

// Exact power of two for the normal exponent range -1022 .. 1023.
double PowerOfTwo(int k)
{
    const uint64_t bits = static_cast<uint64_t>(k + 1023) << 52;
    double result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

}  // namespace

// Reduction x = k ln2 + r with |r| <= ln2 / 2 (ln2 split in two so that k ln2 is exact), a rational
// approximation of exp(r) on that interval, then scaling by 2^k.
double PortableExp(double x)
{
    constexpr double kOverflow = 7.09782712893383973096e+02;
    constexpr double kUnderflow = -7.45133219101941108420e+02;
    constexpr double kHalfLn2 = 3.46573590279972654709e-01;
    constexpr double kThreeHalvesLn2 = 1.03972077083991796413e+00;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double kInvLn2 = 1.44269504088896338700e+00;
    constexpr double kP1 = 1.66666666666666019037e-01;
    constexpr double kP2 = -2.77777777770155933842e-03;
    constexpr double kP3 = 6.61375632143793436117e-05;
    constexpr double kP4 = -1.65339022054652515390e-06;
    constexpr double kP5 = 4.13813679705723846039e-08;

    if (x != x) return x;
    if (x > kOverflow) return std::numeric_limits<double>::infinity();
    if (x < kUnderflow) return 0.0;
    const double ax = x < 0.0 ? -x : x;
    if (ax < 0x1p-28) return 1.0 + x;

    int k = 0;
    double hi = x;
    double lo = 0.0;
    if (ax > kHalfLn2) {
        if (ax < kThreeHalvesLn2) {
            k = x > 0.0 ? 1 : -1;
        } else {
            k = static_cast<int>(kInvLn2 * x + (x > 0.0 ? 0.5 : -0.5));
        }
        const double kd = k;
        hi = x - kd * kLn2Hi;
        lo = kd * kLn2Lo;
    }
    const double r = hi - lo;
    const double t = r * r;
    const double c = r - t * (kP1 + t * (kP2 + t * (kP3 + t * (kP4 + t * kP5))));
    if (k == 0) return 1.0 - ((r * c) / (c - 2.0) - r);

    const double y = 1.0 - ((lo - (r * c) / (2.0 - c)) - hi);
    if (k > 1023) return y * 2.0 * PowerOfTwo(1023);
    if (k < -1021) return y * PowerOfTwo(k + 1000) * PowerOfTwo(-1000);
    return y * PowerOfTwo(k);
}

}  // namespace pw
