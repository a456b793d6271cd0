#ifndef IVORY_IVORY_H
#define IVORY_IVORY_H

/// \file
/// The whole public interface of Ivory in one include.

#include "ivory/alignedblock.h"
#include "ivory/bitmap.h"
#include "ivory/createimage.h"
#include "ivory/elementtypes.h"
#include "ivory/image.h"
#include "ivory/imagebase.h"
#include "ivory/messages.h"
#include "ivory/simdtarget.h"
#include "ivory/threading.h"
#include "ivory/version.h"

/// The Ivory image library: images (Image, ImageBase, Bitmap), their
/// element types, the message handler, the thread count and the SIMD target.
namespace Ivory {}

#endif
