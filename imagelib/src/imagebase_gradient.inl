// STUB: replaced by the gradient implementation.
namespace Ivory {
template <typename T> Image* ImageBase<T>::gradient(int, const float*, bool, Image*) { return nullptr; }
template <typename T> Image* ImageBase<T>::hessian(int, const float*, Image*) { return nullptr; }
template <typename T> Image* ImageBase<T>::gradient3D(int, const float*, bool, bool, Image*) { return nullptr; }
}  // namespace Ivory
