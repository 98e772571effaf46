#pragma once
// The numeric rules every part of the rain shares: fields are single precision,
// arithmetic is done in double, conversions to whole numbers round half to even.
#include <cmath>
#include <cstdint>
#include <limits>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace mCore {

// Rounds to the nearest whole number, ties to even, saturating at the 32-bit range
// (NaN gives 0) so that no caller can trip undefined behaviour on a wild value.
inline int32_t ToLong(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::nearbyint(v));
}

// True when v converts to a 32-bit integer without overflow (the edge check for typed answers).
inline bool FitsLong(double v) {
    return v == v && std::nearbyint(v) <= 2147483647.0 && std::nearbyint(v) >= -2147483648.0;
}

inline float ToSingle(double v) { return static_cast<float>(v); }

// Floor toward minus infinity, as a double (callers store it where they need it). Exactly
// std::floor, without the library call that a build for the baseline processor makes for it
// (the renderer floors every letter's position every frame).
inline double Floor(double v) {
    if (!(std::fabs(v) < 4.0e15)) return std::floor(v);  // large, infinite or NaN
    const double t = static_cast<double>(static_cast<int64_t>(v));
    return t > v ? t - 1 : (t == 0 ? std::copysign(0.0, v) : t);
}

inline float Clamp(float v, float lo, float hi) {
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    return v;
}

// 0..1, NaN giving 0, with the processor's min and max where it has them: a compiler keeps
// branches for the plain comparisons, and the renderer's values go either way at random.
inline float Clamp01(float f) {
#if defined(__SSE__)
    return _mm_cvtss_f32(_mm_min_ss(_mm_max_ss(_mm_set_ss(f), _mm_setzero_ps()), _mm_set_ss(1.0f)));
#else
    f = f > 0.0f ? f : 0.0f;
    return f < 1.0f ? f : 1.0f;
#endif
}

inline int Sgn(double v) { return (v > 0) - (v < 0); }

}  // namespace mCore
