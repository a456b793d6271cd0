#ifndef IVORY_TEST_FAILING_ALLOCATOR_H
#define IVORY_TEST_FAILING_ALLOCATOR_H

// The program's operator new and delete, every form, replaced by malloc-based
// ones that can be told to fail one allocation: the throwing forms then throw
// std::bad_alloc and the nothrow forms return null, as when memory runs out.

namespace IvoryTest {

// The n-th allocation from now (n >= 1) fails, on whichever thread makes it.
void failAllocation(long n);

// Disarms; true when the armed allocation did fail.
bool stopFailingAllocations();

}  // namespace IvoryTest

#endif
