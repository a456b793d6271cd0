#ifndef IVORY_DERIVEDOUTPUT_H
#define IVORY_DERIVEDOUTPUT_H

// What the filters and derivatives share: the extent of the source read as
// one channel, the start values of the range scan, making or checking the
// image their results are written into, and keeping the source apart from it.

#include <cstdint>
#include <functional>
#include <vector>

#include "ivory/createimage.h"
#include "ivory/imagebase.h"
#include "report.h"

namespace Ivory::detail::derivedoutput {

// The range scan starts from these (single-precision) bounds.
constexpr float kRangeMinStart = 1e16f;
constexpr float kRangeMaxStart = -1e16f;

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

// The `count` source elements to read: `data` itself, or a copy in `copy`
// when the output shares their block, so that results are those of the
// source as it was, whatever order the output rows are written in.
template <typename T>
const T* apartFromOutput(const Image* out, const T* data, int64_t count, std::vector<T>& copy) {
    if (!overlaps(out, data, count)) return data;
    copy.assign(data, data + count);
    return copy.data();
}

// The shape of a new output image.
struct Shape {
    int width, height, depth, frames, channels;
};

// The image `written` elements go into: out itself when the caller passed one
// (refused when too small), otherwise a new image of the code with the given
// shape and the source's spacings. Null after an error, which is reported.
// `created` tells the caller whether it owns the result.
inline Image* prepare(const Image& source, int code, Image* out, const Shape& shape,
                      int64_t written, bool& created) {
    created = false;
    if (out != nullptr) {
        if (out->m_image_size < written || (written > 0 && !hasElementBlock(out))) {
            detail::report("Error: output image too small!");
            return nullptr;
        }
        return out;
    }
    Image* made = createImage(code);
    if (made == nullptr) {
        detail::report("Error: unknown data type, cannot create output image!");
        return nullptr;
    }
    made->init(shape.width, shape.height, shape.depth, shape.frames, shape.channels);
    if (made->m_image_size < written || (written > 0 && !hasElementBlock(made))) {
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
