// STUB: replaced by the intensity-mapping implementation.
namespace Ivory {
template <typename T> void ImageBase<T>::invert() {}
template <typename T> void ImageBase<T>::applyWindowLevel(bool) {}
template <typename T> unsigned char* ImageBase<T>::toBytes(unsigned char* out, bool) { return out; }
template <typename T> unsigned short* ImageBase<T>::toShorts(unsigned short* out, bool) { return out; }
template <typename T> unsigned char* ImageBase<T>::sliceToBytes(unsigned char* out, int, int, bool) { return out; }
template <typename T> float* ImageBase<T>::centroid(float* out) { return out; }
}  // namespace Ivory
