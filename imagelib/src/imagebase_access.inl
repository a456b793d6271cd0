// STUB: replaced by the element-access implementation.
namespace Ivory {
template <typename T> bool ImageBase<T>::getNext(float*) { return false; }
template <typename T> bool ImageBase<T>::setNext(float) { return false; }
template <typename T> void ImageBase<T>::setCurrent(float) {}
template <typename T> void ImageBase<T>::setValue(float, int, int, int, int, int) {}
template <typename T> void ImageBase<T>::getPixel(float*, float, float, float) {}
template <typename T> float ImageBase<T>::getPixelValue(float, float, float) { return 0; }
template <typename T> float ImageBase<T>::getValue(int, int, int, int, int) { return 0; }
}  // namespace Ivory
