// Headerless raw files: the element block exactly as it lies in memory, read
// and written as m_dim[1]*m_dim[2]*m_dim[3] rows of m_stride elements.
// Result codes are documented with the declarations in image.h.

#include <cstdio>

namespace Ivory::detail::rawfile {

constexpr int kDone = 0;
constexpr int kCannotOpen = 1;
constexpr int kIncomplete = 2;  // short read, failed write, or no block to use

}  // namespace Ivory::detail::rawfile

namespace Ivory {

template <typename T>
int ImageBase<T>::readRaw(const char* path) {
    using namespace detail::rawfile;
    if (m_data == nullptr && m_image_size > 0) return kIncomplete;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return kCannotOpen;
    int result = kDone;
    if (m_image_size > 0) {  // a zero item size would make fread report 0 rows
        const size_t rows = size_t(m_image_size / m_stride);
        if (std::fread(m_data, size_t(m_stride) * sizeof(T), rows, file) != rows) result = kIncomplete;
    }
    std::fclose(file);
    return result;
}

template <typename T>
int ImageBase<T>::writeRaw(const char* path) {
    using namespace detail::rawfile;
    if (m_data == nullptr && m_image_size > 0) return kIncomplete;
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return kCannotOpen;
    int result = kDone;
    if (m_image_size > 0) {
        const size_t rows = size_t(m_image_size / m_stride);
        if (std::fwrite(m_data, size_t(m_stride) * sizeof(T), rows, file) != rows) result = kIncomplete;
    }
    // Buffered bytes reach the file only here, so a full device shows up here.
    if (std::fclose(file) != 0) result = kIncomplete;
    return result;
}

}  // namespace Ivory
