#include "ivory/simdtarget.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/simdtarget.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::kernels::HWY_NAMESPACE {

const char* targetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace Ivory::detail::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory {

namespace detail::kernels {
HWY_EXPORT(targetName);
}

// Every kernel's dispatch picks the same target as this one.
const char* simdTarget() {
    using namespace detail::kernels;
    return HWY_DYNAMIC_DISPATCH(targetName)();
}

}  // namespace Ivory
#endif
