#ifndef IVORY_CREATEIMAGE_H
#define IVORY_CREATEIMAGE_H

/// \file
/// Making an image of an element type chosen at run time.

#include "ivory/export.h"
#include "ivory/image.h"

namespace Ivory {

/// A new, empty ImageBase of the element type with the given code (never a
/// Bitmap): give it a shape with Image::init.
/// \param code an element-type code of elementtypes.h (#kTypeByte …
/// #kTypeDouble).
/// \return the image, which the caller deletes; null for any other code or
/// when it cannot be allocated. Prints nothing.
IVORY_EXPORT Image* createImage(int code);

}  // namespace Ivory

#endif
