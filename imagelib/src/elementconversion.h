#ifndef IVORY_ELEMENTCONVERSION_H
#define IVORY_ELEMENTCONVERSION_H

#include <cstdint>
#include <type_traits>

namespace Ivory {

// Conversions between the float interface and the element types.
//
// float -> integer truncates toward zero to a 32-bit integer (64-bit for
// unsigned int) and keeps the low bits, without saturation. A value outside
// that integer's range, or NaN, gives the integer's "indefinite" value
// (the lowest one), as the x86 truncating conversion does, so the result is
// defined and the same at every optimisation level.

inline int32_t truncateToInt32(float v) {
    if (v > -2147483904.0f && v < 2147483648.0f) return static_cast<int32_t>(v);
    return INT32_MIN;
}

inline int64_t truncateToInt64(float v) {
    if (v > -9223373136366403584.0f && v < 9223372036854775808.0f) return static_cast<int64_t>(v);
    return INT64_MIN;
}

template <typename T> inline T fromFloat(float v) {
    if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(v);
    } else if constexpr (std::is_same_v<T, unsigned int>) {
        return static_cast<unsigned int>(static_cast<uint64_t>(truncateToInt64(v)));
    } else {
        return static_cast<T>(truncateToInt32(v));
    }
}

template <typename T> inline float toFloat(T e) {
    if constexpr (std::is_same_v<T, unsigned int>) {
        return static_cast<float>(static_cast<int64_t>(e));
    } else {
        return static_cast<float>(e);
    }
}

}  // namespace Ivory

#endif
