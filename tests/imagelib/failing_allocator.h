#ifndef IVORY_TEST_FAILING_ALLOCATOR_H
#define IVORY_TEST_FAILING_ALLOCATOR_H

// The program's operator new and delete, malloc-based, of which one allocation can be made to fail as when
// memory runs out: the throwing forms then throw std::bad_alloc and the nothrow forms return null.
namespace IvoryTest {

void failAllocation(long n);      // the n-th allocation from now (n >= 1), on any thread, fails; 0: none
bool stopFailingAllocations();    // disarms; true when the armed allocation did fail

}  // namespace IvoryTest

#endif
