#include "kernels/byteorder.h"

#include <cstring>

#include "kernels/alignment.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "kernels/byteorder.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per SIMD target

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Ivory::detail::byteorder::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

inline uint16_t reversed(uint16_t word) { return __builtin_bswap16(word); }
inline uint32_t reversed(uint32_t word) { return __builtin_bswap32(word); }

// Words are loaded from any element type: vector loads may alias, and the
// words of the tail are copied in and out.
template <typename Word, class Reverse> void reverseWords(unsigned char* bytes, int64_t count, Reverse reverse) {
    const hn::ScalableTag<Word> d;
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    Word* words = reinterpret_cast<Word*>(bytes);
    const auto reverseOne = [&](int64_t i) {
        Word word;
        std::memcpy(&word, bytes + i * sizeof(Word), sizeof(Word));
        word = reversed(word);
        std::memcpy(bytes + i * sizeof(Word), &word, sizeof(Word));
    };
    int64_t i = 0;
    for (const int64_t leading = kernels::leadingToAlignment(bytes, n * sizeof(Word), sizeof(Word), count); i < leading; ++i)
        reverseOne(i);
    for (; i + n <= count; i += n) hn::StoreU(reverse(hn::LoadU(d, words + i)), d, words + i);
    for (; i < count; ++i) reverseOne(i);
}

void reverseEach16(unsigned char* bytes, int64_t count) {
    reverseWords<uint16_t>(bytes, count, [](auto v) { return hn::Or(hn::ShiftLeft<8>(v), hn::ShiftRight<8>(v)); });
}

void reverseEach32(unsigned char* bytes, int64_t count) {
    reverseWords<uint32_t>(bytes, count, [](auto v) {
        const auto halvesSwapped = hn::RotateRight<16>(v);
        const auto evenBytes = hn::Set(hn::DFromV<decltype(v)>(), 0x00FF00FFu);
        return hn::Or(hn::ShiftLeft<8>(hn::And(halvesSwapped, evenBytes)),
                      hn::And(hn::ShiftRight<8>(halvesSwapped), evenBytes));
    });
}

}  // namespace Ivory::detail::byteorder::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Ivory::detail::byteorder {

HWY_EXPORT(reverseEach16);
HWY_EXPORT(reverseEach32);

void reverseEach16(unsigned char* bytes, int64_t count) { HWY_DYNAMIC_DISPATCH(reverseEach16)(bytes, count); }
void reverseEach32(unsigned char* bytes, int64_t count) { HWY_DYNAMIC_DISPATCH(reverseEach32)(bytes, count); }

}  // namespace Ivory::detail::byteorder
#endif
