#ifndef IVORY_CREATEIMAGE_H
#define IVORY_CREATEIMAGE_H

#include "ivory/export.h"
#include "ivory/image.h"

namespace Ivory {

// A new, empty ImageBase<T> for an element-type code of elementtypes.h
// (never a Bitmap), or null for any other code. The caller owns it.
IVORY_EXPORT Image* createImage(int code);

}  // namespace Ivory

#endif
