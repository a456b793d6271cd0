// STUB: replaced by the interpolation implementation.
namespace Ivory {
template <typename T> void ImageBase<T>::interpolateLinear(float*, float, float, float) {}
template <typename T> float ImageBase<T>::interpolateLinearValue(float, float, float) { return 0; }
template <typename T> void ImageBase<T>::interpolateCubic(float*, float, float, float) {}
template <typename T> float ImageBase<T>::interpolateCubicValue(float, float, float) { return 0; }
}  // namespace Ivory
