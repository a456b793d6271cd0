// STUB: replaced by the raw-file implementation.
namespace Ivory {
template <typename T> int ImageBase<T>::readRaw(const char*) { return 1; }
template <typename T> int ImageBase<T>::writeRaw(const char*) { return 1; }
}  // namespace Ivory
