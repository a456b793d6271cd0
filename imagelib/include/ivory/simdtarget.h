#ifndef IVORY_SIMDTARGET_H
#define IVORY_SIMDTARGET_H

/// \file
/// The SIMD instruction set the operations run with.

#include "ivory/export.h"

namespace Ivory {

/// The SIMD instruction set Ivory's kernels run with in this process: the
/// best one the CPU supports among those the library was compiled for,
/// chosen at run time. Meant for reports; results never depend on it.
/// \return a name such as "AVX3" (AVX-512), "AVX2", "SSE4", "NEON", "EMU128"
/// or "SCALAR" (no SIMD); the text stays valid for the whole process.
IVORY_EXPORT const char* simdTarget();

}  // namespace Ivory

#endif
