// The one translation unit that holds the template bodies of ImageBase<T> and
// instantiates them for the eight element types.

#include "ivory/imagebase.h"

#include "imagebase_model.inl"
#include "imagebase_rawfile.inl"
#include "imagebase_access.inl"
#include "imagebase_interpolation.inl"
#include "imagebase_resample.inl"
#include "imagebase_intensity.inl"
#include "imagebase_filter.inl"
#include "imagebase_gradient.inl"

namespace Ivory {

#define IVORY_INSTANTIATE(T, code) template class ImageBase<T>;
IVORY_ELEMENT_TYPES(IVORY_INSTANTIATE)
#undef IVORY_INSTANTIATE

}  // namespace Ivory
