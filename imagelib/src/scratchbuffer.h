#ifndef IVORY_SCRATCHBUFFER_H
#define IVORY_SCRATCHBUFFER_H

// Working memory of an operation, in place of std::vector: allocating
// reports failure instead of throwing, so an operation can ask for all it
// needs before it changes anything and give up cleanly when it cannot.

#include <cstddef>
#include <new>
#include <type_traits>

namespace Ivory::detail {

template <typename T> class ScratchBuffer {
    static_assert(std::is_trivially_destructible_v<T>, "scratch holds plain values");

public:
    ScratchBuffer() = default;
    ~ScratchBuffer() { delete[] m_data; }
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;

    // Room for `count` default-initialised elements in place of the old ones;
    // false (and no room) when the memory cannot be had.
    bool allocate(size_t count) {
        delete[] m_data;
        m_data = count == 0 ? nullptr : new (std::nothrow) T[count];
        m_size = m_data != nullptr ? count : 0;
        return m_size == count;
    }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    size_t size() const { return m_size; }
    T& operator[](size_t i) { return m_data[i]; }
    const T& operator[](size_t i) const { return m_data[i]; }

private:
    T* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace Ivory::detail

#endif
