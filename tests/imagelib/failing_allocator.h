#ifndef IVORY_TEST_FAILING_ALLOCATOR_H
#define IVORY_TEST_FAILING_ALLOCATOR_H

// Every form of the program's operator new and delete, replaced by malloc-based
// ones of which one allocation can be made to fail: the throwing forms then
// throw std::bad_alloc and the nothrow forms return null, as when memory runs out.
namespace IvoryTest {

void failAllocation(long n);      // the n-th allocation from now (n >= 1), on any thread, fails; 0: none
bool stopFailingAllocations();    // disarms; true when the armed allocation did fail

}  // namespace IvoryTest

#endif
