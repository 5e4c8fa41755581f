// The blend rules of the 16-bit and float depths in AVX2 lanes: each the operations of its scalar form (blend_rules.h),
// in its order, its branches as lane selections. A division by 32768 is a multiplication by 2^-15 (exact either way:
// every value here is far from the subnormals). Internal to the composite lanes.
#pragma once

#include "kernels/blend_rules.h"
#include "kernels/lanes_avx2.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace lanes {


template <typename Rule>
struct LaneRule;

template <>
struct LaneRule<AddRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const AddRule&)
    {
        return _mm256_min_pd(_mm256_add_pd(p, q), _mm256_set1_pd(32768.0));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const AddRule&) { return _mm256_add_ps(p, q); }
};

template <>
struct LaneRule<MultiplyRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const MultiplyRule&)
    {
        return _mm256_mul_pd(_mm256_mul_pd(p, q), _mm256_set1_pd(1.0 / 32768.0));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const MultiplyRule&) { return _mm256_mul_ps(p, q); }
};

template <>
struct LaneRule<ScreenRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const ScreenRule&)
    {
        return _mm256_sub_pd(_mm256_add_pd(p, q), _mm256_mul_pd(_mm256_mul_pd(p, q), _mm256_set1_pd(1.0 / 32768.0)));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const ScreenRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f);
        return _mm256_sub_ps(one, _mm256_mul_ps(_mm256_sub_ps(one, p), _mm256_sub_ps(one, q)));
    }
};

template <>
struct LaneRule<OverlayRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const OverlayRule&)
    {
        const __m256d white = _mm256_set1_pd(32768.0), scale = _mm256_set1_pd(1.0 / 32768.0), pq = _mm256_mul_pd(p, q);
        const __m256d dark = _mm256_mul_pd(_mm256_mul_pd(pq, _mm256_set1_pd(2.0)), scale);
        // p * q / 32768 here is an integer division: the floor of the exact quotient.
        const __m256d screen = _mm256_sub_pd(_mm256_add_pd(p, q), _mm256_floor_pd(_mm256_mul_pd(pq, scale)));
        const __m256d light = _mm256_sub_pd(_mm256_mul_pd(_mm256_set1_pd(2.0), screen), white);
        return _mm256_blendv_pd(light, dark, _mm256_cmp_pd(p, _mm256_set1_pd(16384.0), _CMP_LT_OQ));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const OverlayRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f), two = _mm256_set1_ps(2.0f);
        const __m256 dark = _mm256_mul_ps(_mm256_mul_ps(p, q), two);
        const __m256 light =
            _mm256_sub_ps(one, _mm256_mul_ps(_mm256_mul_ps(two, _mm256_sub_ps(one, p)), _mm256_sub_ps(one, q)));
        return _mm256_blendv_ps(light, dark, _mm256_cmp_ps(p, _mm256_set1_ps(0.5f), _CMP_LT_OQ));
    }
};

template <>
struct LaneRule<DodgeRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const DodgeRule&)
    {
        const __m256d white = _mm256_set1_pd(32768.0);
        const __m256d v = _mm256_div_pd(_mm256_mul_pd(p, white), _mm256_sub_pd(white, q));
        return _mm256_blendv_pd(_mm256_min_pd(v, white), white, _mm256_cmp_pd(q, white, _CMP_EQ_OQ));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const DodgeRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f);
        return _mm256_blendv_ps(_mm256_div_ps(p, _mm256_sub_ps(one, q)), one, _mm256_cmp_ps(q, one, _CMP_GE_OQ));
    }
};

template <>
struct LaneRule<BurnRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const BurnRule&)
    {
        const __m256d white = _mm256_set1_pd(32768.0);
        const __m256d v = _mm256_sub_pd(white, _mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(white, p), white), q));
        return _mm256_blendv_pd(_mm256_max_pd(v, _mm256_setzero_pd()), white,
                                _mm256_cmp_pd(q, _mm256_setzero_pd(), _CMP_EQ_OQ));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const BurnRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
        const __m256 v = _mm256_sub_ps(one, _mm256_div_ps(_mm256_sub_ps(one, p), q));
        return _mm256_blendv_ps(v, zero, _mm256_cmp_ps(q, zero, _CMP_LE_OQ));
    }
};

template <>
struct LaneRule<AddScaledRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const AddScaledRule& r)
    {
        // v < 32768 ? v : 32768, a NaN sum included.
        return _mm256_min_pd(_mm256_add_pd(p, _mm256_mul_pd(q, _mm256_set1_pd(r.k))), _mm256_set1_pd(32768.0));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const AddScaledRule& r)
    {
        return _mm256_add_ps(p, _mm256_mul_ps(q, _mm256_set1_ps(static_cast<float>(r.k))));
    }
};

}  // namespace lanes
}  // namespace pw

#endif
