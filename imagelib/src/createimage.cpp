#include "createimage.h"

#include "imagebase.h"

namespace Ivory {

Image* createImage(int code) {
    switch (code) {
#define IVORY_CREATE_CASE(T, typeCode) \
    case typeCode:                     \
        return new ImageBase<T>();
        IVORY_ELEMENT_TYPES(IVORY_CREATE_CASE)
#undef IVORY_CREATE_CASE
        default:
            return nullptr;
    }
}

}  // namespace Ivory
