// STUB: replaced by the filtering implementation.
namespace Ivory {
template <typename T> Image* ImageBase<T>::filter(int, const float*, int, Image*) { return nullptr; }
template <typename T> void ImageBase<T>::fillBorder(int) {}
}  // namespace Ivory
