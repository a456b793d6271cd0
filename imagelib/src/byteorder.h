#ifndef IVORY_BYTEORDER_H
#define IVORY_BYTEORDER_H

// Reversing the bytes of every element of a run, for swapBytes. Elements are
// read and written as unsigned words of their size (through memcpy, so any
// element type may be handled this way), which vectorises.

#include <cstdint>
#include <cstring>

#include "vectorclones.h"

namespace Ivory::detail::byteorder {

inline uint16_t reversed(uint16_t word) { return __builtin_bswap16(word); }
inline uint32_t reversed(uint32_t word) { return __builtin_bswap32(word); }

// Word is uint16_t or uint32_t; count words from `bytes` on.
template <typename Word> IVORY_VECTOR_CLONES void reverseEach(unsigned char* bytes, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
        Word word;
        std::memcpy(&word, bytes + i * sizeof(Word), sizeof(Word));
        word = reversed(word);
        std::memcpy(bytes + i * sizeof(Word), &word, sizeof(Word));
    }
}

}  // namespace Ivory::detail::byteorder

#endif
