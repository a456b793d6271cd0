#ifndef IVORY_THREADING_H
#define IVORY_THREADING_H

#include "ivory/export.h"

namespace Ivory {

// How many threads the operations may split their work over. n <= 0 means
// all cores (the default). Results never depend on the count.
IVORY_EXPORT void setThreadCount(int n);

// The count in force: at least 1.
IVORY_EXPORT int threadCount();

}  // namespace Ivory

#endif
