#include "ivory/createimage.h"

#include <new>

#include "ivory/imagebase.h"

namespace Ivory {

// A failed allocation gives null like an unknown code: nothing throws out of
// the library.
Image* createImage(int code) {
    switch (code) {
#define IVORY_CREATE_CASE(T, typeCode) \
    case typeCode:                     \
        return new (std::nothrow) ImageBase<T>();
        IVORY_ELEMENT_TYPES(IVORY_CREATE_CASE)
#undef IVORY_CREATE_CASE
        default:
            return nullptr;
    }
}

}  // namespace Ivory
