// STUB: replaced by the resampling implementation.
namespace Ivory {
template <typename T> Image* ImageBase<T>::downsample(int, int, int, int, bool) { return nullptr; }
template <typename T> void ImageBase<T>::rotate(int) {}
template <typename T> void ImageBase<T>::scaleToPowerOfTwo() {}
}  // namespace Ivory
