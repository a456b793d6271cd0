#ifndef IVORY_THREADING_H
#define IVORY_THREADING_H

/// \file
/// How many threads the operations use.
///
/// The operations split their work over one pool of worker threads that is
/// started at the first operation that can use it and lives until the process
/// ends; no operation starts threads of its own. The calling thread always
/// takes a share of the work, so an operation runs on at most threadCount()
/// threads. The split never changes a result: every operation gives the same
/// bits whatever the count.
///
/// How many threads:
/// - by default, the CPUs the process may run on (its CPU affinity, which
///   taskset or a container may set below the machine's total);
/// - the environment variable IVORY_NUM_THREADS, read once when the pool is
///   first used, replaces that default when it holds a whole number above 0;
/// - setThreadCount(n) with n > 0 overrides both until it is called again;
///   setThreadCount(n) with n ≤ 0 goes back to the default.
///
/// Counts above #Ivory::kMaxThreadCount are taken as kMaxThreadCount. A worker
/// that cannot be started (the system refuses another thread) is not an
/// error: the work is shared by the threads the pool has, down to the calling
/// thread alone.
///
/// Operations may be called from several threads at once, on different
/// images: they share the pool. One image must not be used by two threads at
/// the same time (an operation reads and writes its image without locking).
/// Work that starts on one of the pool's own threads runs on that thread
/// alone, so work nested in other work never waits for a busy pool.

#include "ivory/export.h"

namespace Ivory {

/// The largest thread count the operations use.
constexpr int kMaxThreadCount = 256;

/// Sets how many threads the operations may split their work over (see the
/// file's description). May be called at any time, from any thread.
/// \param n the count; n ≤ 0 restores the default.
IVORY_EXPORT void setThreadCount(int n);

/// The count in force.
/// \return at least 1.
IVORY_EXPORT int threadCount();

}  // namespace Ivory

#endif
