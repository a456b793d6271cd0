#ifndef IVORY_KERNELS_ELEMENTRANGE_H
#define IVORY_KERNELS_ELEMENTRANGE_H

// The smallest and largest element of a run, compared in T as a scan with
// `<` and `>` compares (unsigned for the unsigned types; a NaN never
// counts), for setWindowFromData.

#include <cstdint>

#include "ivory/elementtypes.h"

namespace Ivory::detail::elementrange {

// widenRange lowers low and raises high to the run's elements. For floating
// types the values found are exact, but which zero (+0 or -0) stands for a
// bound of 0 is left open: firstZero gives the index of the first element
// equal to 0 (either sign), or count when there is none.
#define IVORY_DECLARE_ELEMENT_RANGE(T, code)                               \
    void widenRange(const T* elements, int64_t count, T& low, T& high);   \
    int64_t firstZero(const T* elements, int64_t count);
IVORY_ELEMENT_TYPES(IVORY_DECLARE_ELEMENT_RANGE)
#undef IVORY_DECLARE_ELEMENT_RANGE

}  // namespace Ivory::detail::elementrange

#endif
