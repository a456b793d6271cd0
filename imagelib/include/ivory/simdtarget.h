#ifndef IVORY_SIMDTARGET_H
#define IVORY_SIMDTARGET_H

namespace Ivory {

// The SIMD instruction set the library's kernels run with in this process,
// e.g. "AVX3" (AVX-512), "AVX2", "SSE4", "NEON" or "EMU128" (no SIMD): the
// best one the CPU supports among those the library was compiled for,
// chosen at run time. For reports; results never depend on it.
const char* simdTarget();

}  // namespace Ivory

#endif
