#ifndef IVORY_KERNELS_SCALARLANES_H
#define IVORY_KERNELS_SCALARLANES_H

// One lane as plain scalars, under the names of Highway's operations, so
// that the point samplers' arithmetic is written once for the vectors of a
// batch and for the single point of a per-point call, which needs the lean
// code of plain scalars (each call waits on memory, and the shorter a call,
// the more of them overlap).

#include <cstddef>
#include <cstdint>

namespace Ivory::detail::pointsampling {

// The lane types, as Highway's descriptors name vectors of them.
struct FloatLane {};
struct IndexLane {};
struct DoubleLane {};

inline float Zero(FloatLane) { return 0.0f; }
inline int32_t Zero(IndexLane) { return 0; }
inline double Zero(DoubleLane) { return 0.0; }
inline float Set(FloatLane, float v) { return v; }
inline int32_t Set(IndexLane, int32_t v) { return v; }
inline double Set(DoubleLane, double v) { return v; }

inline float Sub(float a, float b) { return a - b; }
inline double Add(double a, double b) { return a + b; }
inline double Sub(double a, double b) { return a - b; }
inline double Mul(double a, double b) { return a * b; }
inline int32_t Add(int32_t a, int32_t b) { return a + b; }
inline int32_t Mul(int32_t a, int32_t b) { return a * b; }
inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

inline bool Ge(float a, float b) { return a >= b; }
inline bool RebindMask(IndexLane, bool m) { return m; }
inline float IfThenElseZero(bool m, float v) { return m ? v : 0.0f; }
inline float IfThenZeroElse(bool m, float v) { return m ? 0.0f : v; }
inline int32_t IfThenElse(bool m, int32_t a, int32_t b) { return m ? a : b; }

inline int32_t ConvertTo(IndexLane, float v) { return static_cast<int32_t>(v); }  // truncation
inline float ConvertTo(FloatLane, int32_t v) { return static_cast<float>(v); }
inline double PromoteTo(DoubleLane, float v) { return v; }

constexpr size_t Lanes(DoubleLane) { return 1; }
constexpr size_t MaxLanes(DoubleLane) { return 1; }
inline double Load(DoubleLane, const double* p) { return *p; }
inline int32_t Load(IndexLane, const int32_t* p) { return *p; }
inline void Store(double v, DoubleLane, double* p) { *p = v; }
inline void Store(int32_t v, IndexLane, int32_t* p) { *p = v; }

// static_cast<float>, and the same kept in double. The rounding is hidden
// from the optimiser: with AVX enabled (-mavx, -march=x86-64-v3), GCC 12's
// basic-block vectoriser drops a double -> float -> double round trip whose
// result is stored as double, which changes results.
inline float roundedToFloat(double v) {
    float f = static_cast<float>(v);
#if defined(__GNUC__) && defined(__x86_64__)
    __asm__("" : "+x"(f));
#elif defined(__GNUC__) && defined(__aarch64__)
    __asm__("" : "+w"(f));
#endif
    return f;
}
inline float RoundedToFloat(FloatLane, double v) { return roundedToFloat(v); }
inline double AsFloat(DoubleLane, double v) { return roundedToFloat(v); }

}  // namespace Ivory::detail::pointsampling

#endif
