// STUB: replaced by the image-model implementation.
namespace Ivory {
template <typename T> ImageBase<T>::ImageBase() : m_external(false), m_data(nullptr) {}
template <typename T> ImageBase<T>::~ImageBase() {}
template <typename T> int ImageBase<T>::setData(void* block) { m_data = static_cast<T*>(block); return 0; }
template <typename T> int ImageBase<T>::init(int w, int h, int d, int f, int c) { return Image::init(w, h, d, f, c); }
template <typename T> void ImageBase<T>::clear() {}
template <typename T> void ImageBase<T>::releaseData() {}
template <typename T> void ImageBase<T>::setWindowFromData() {}
template <typename T> void ImageBase<T>::swapBytes() {}
template <typename T> void ImageBase<T>::flip(bool, bool, bool, bool) {}
}  // namespace Ivory
