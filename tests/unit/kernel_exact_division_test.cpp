// The reciprocal division equals integer division for every numerator the 8-bit RGB Separation can form. The
// product is monotone in n, so checking n at both sides of every multiple of the divisor checks every n.
#include <gtest/gtest.h>

#include "kernels/exact_division.h"

namespace pw {
namespace {

TEST(DivideBy255Alpha, EqualsIntegerDivisionForEveryNumeratorBelowTheLimit)
{
    const DivideBy255Alpha divide;
    const uint32_t limit = DivideBy255Alpha::kNumeratorLimit;
    for (uint32_t alpha = 1; alpha <= 255; ++alpha) {
        const uint32_t d = 255 * alpha;
        for (uint32_t q = 0; uint64_t{q} * d < limit; ++q) {
            const uint32_t n = q * d;
            ASSERT_EQ(divide(n, alpha), q) << n << " / " << d;
            if (n > 0) ASSERT_EQ(divide(n - 1, alpha), q - 1) << n - 1 << " / " << d;
        }
        ASSERT_EQ(divide(limit - 1, alpha), (limit - 1) / d);
        // The nested form the definition writes.
        for (uint32_t n : {0u, 1u, 254u, 255u, 65024u, 65025u, 49744125u})
            ASSERT_EQ(divide(n, alpha), n / alpha / 255) << n << " " << alpha;
    }
}

}  // namespace
}  // namespace pw
