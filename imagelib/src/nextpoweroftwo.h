#ifndef IVORY_NEXTPOWEROFTWO_H
#define IVORY_NEXTPOWEROFTWO_H

#include <cstdint>

namespace Ivory {

// The smallest power of two not below n for n >= 1 (up to 2^31 for the largest
// extent, hence the wide result), and 0 for n <= 0. Found from the lowest set
// bit of n, doubled while it is below n.
int64_t nextPowerOfTwo(int32_t n);

}  // namespace Ivory

#endif
