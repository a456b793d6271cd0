#ifndef IVORY_DERIVEDOUTPUT_H
#define IVORY_DERIVEDOUTPUT_H

// What the filters and derivatives share: the extent of the source read as
// one channel, the start values of the range scan, and making or checking the
// image their results are written into.

#include <cstdint>
#include <functional>

#include "ivory/createimage.h"
#include "ivory/imagebase.h"
#include "report.h"

namespace Ivory::detail::derivedoutput {

// The range scan starts from these (single-precision) bounds.
constexpr float kRangeMinStart = 1e16f;
constexpr float kRangeMaxStart = -1e16f;

// The element-type code an operation's `code` argument stands for: 0 means
// the source's own m_type.
inline int resolvedCode(const Image& source, int code) { return code == 0 ? source.m_type : code; }

// Pixels of the first frame seen as one channel: width * height * depth.
inline int64_t pixelsPerFrame(const Image& image) {
    return int64_t(image.m_dim[0]) * image.m_dim[1] * image.m_dim[2];
}

// Whether elements 0 .. needed-1 of the source can be read.
template <typename T> bool canRead(const ImageBase<T>& image, int64_t needed) {
    return needed <= 0 || (image.m_data != nullptr && needed <= image.m_image_size);
}

// Whether an image holds an element block; images of other classes are trusted.
inline bool hasElementBlock(Image* image) {
#define IVORY_BLOCK_OF(T, code) \
    if (auto* typed = dynamic_cast<ImageBase<T>*>(image)) return typed->m_data != nullptr;
    IVORY_ELEMENT_TYPES(IVORY_BLOCK_OF)
#undef IVORY_BLOCK_OF
    return true;
}

// Whether the element block of out (if it has one of the eight types) and
// `count` elements at `data` share any byte.
template <typename T> bool overlaps(const Image* out, const T* data, int64_t count) {
    const std::less<const void*> before;
#define IVORY_OVERLAP_OF(U, code)                                                         \
    if (auto* typed = dynamic_cast<const ImageBase<U>*>(out)) {                           \
        const U* block = typed->m_data;                                                   \
        return block != nullptr && before(static_cast<const void*>(block), data + count) && \
               before(static_cast<const void*>(data), block + typed->m_image_size);        \
    }
    IVORY_ELEMENT_TYPES(IVORY_OVERLAP_OF)
#undef IVORY_OVERLAP_OF
    return false;
}

// The shape of a new output image.
struct Shape {
    int width, height, depth, frames, channels;
};

// Whether createImage knows the code.
inline bool isElementCode(int code) {
#define IVORY_IS_ELEMENT_CODE(T, typeCode) code == typeCode ||
    return IVORY_ELEMENT_TYPES(IVORY_IS_ELEMENT_CODE) false;
#undef IVORY_IS_ELEMENT_CODE
}

// The image `written` elements go into: out itself when the caller passed one
// (refused when too small), otherwise a new image of the code with the given
// shape and the source's spacings. Null after an error, which is reported:
// `memoryError` when the new image cannot be had, while init reports its own
// failure. `created` tells the caller whether it owns the result.
inline Image* prepare(const Image& source, int code, Image* out, const Shape& shape, int64_t written,
                      bool& created, const char* memoryError) {
    created = false;
    if (out != nullptr) {
        if (out->m_image_size < written || (written > 0 && !hasElementBlock(out))) {
            detail::report("Error: output image too small!");
            return nullptr;
        }
        return out;
    }
    if (!isElementCode(code)) {
        detail::report("Error: unknown data type, cannot create output image!");
        return nullptr;
    }
    Image* made = createImage(code);
    if (made == nullptr) {
        detail::report("%s", memoryError);
        return nullptr;
    }
    made->init(shape.width, shape.height, shape.depth, shape.frames, shape.channels);
    const bool complete = made->m_window != nullptr || shape.channels == 0;
    if (!complete || made->m_image_size < written || (written > 0 && !hasElementBlock(made))) {
        delete made;  // init has reported the failed allocation
        return nullptr;
    }
    made->setSpacing(source.m_spacing[0], source.m_spacing[1], source.m_spacing[2],
                     source.m_spacing[3]);
    created = true;
    return made;
}

// The minimum and maximum of a sequence of results, as a scan with `<` and
// `>` from the start values finds them (rowkernels::widenRange).
struct Range {
    float min = kRangeMinStart;
    float max = kRangeMaxStart;
};

}  // namespace Ivory::detail::derivedoutput

#endif
