#ifndef IVORY_THREADING_H
#define IVORY_THREADING_H

/// \file
/// How many threads the operations use.

#include "ivory/export.h"

namespace Ivory {

/// Sets how many threads the operations may split their work over. Results
/// never depend on the count.
/// \param n the count; n ≤ 0 means all cores (the default).
IVORY_EXPORT void setThreadCount(int n);

/// The count in force.
/// \return at least 1.
IVORY_EXPORT int threadCount();

}  // namespace Ivory

#endif
