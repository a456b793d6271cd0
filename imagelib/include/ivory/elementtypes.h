#ifndef IVORY_ELEMENTTYPES_H
#define IVORY_ELEMENTTYPES_H

// The eight element types and their codes, written once. The codes are the
// OpenGL data-type enumerants, so GL callers can pass their own constants;
// the library itself needs no GL header.
//
// X(type, code): every list of types in the library (explicit instantiations,
// the createImage switch, typed tests) is derived from this one macro.
#define IVORY_ELEMENT_TYPES(X) \
    X(char, 0x1400)            \
    X(unsigned char, 0x1401)   \
    X(short, 0x1402)           \
    X(unsigned short, 0x1403)  \
    X(int, 0x1404)             \
    X(unsigned int, 0x1405)    \
    X(float, 0x1406)           \
    X(double, 0x140A)

namespace Ivory {

constexpr int kTypeByte = 0x1400;
constexpr int kTypeUnsignedByte = 0x1401;
constexpr int kTypeShort = 0x1402;
constexpr int kTypeUnsignedShort = 0x1403;
constexpr int kTypeInt = 0x1404;
constexpr int kTypeUnsignedInt = 0x1405;
constexpr int kTypeFloat = 0x1406;
constexpr int kTypeDouble = 0x140A;

// The library treats char as the signed 8-bit type, as the code table says.
static_assert(static_cast<char>(-1) < 0, "Ivory needs a signed char (build with -fsigned-char)");

// Unsigned types have the odd codes; the derivative filters refuse them.
constexpr bool isUnsignedCode(int code) { return (code & 1) != 0; }

template <typename T> struct ElementCode;
#define IVORY_DEFINE_ELEMENT_CODE(T, code) \
    template <> struct ElementCode<T> { static constexpr int value = code; };
IVORY_ELEMENT_TYPES(IVORY_DEFINE_ELEMENT_CODE)
#undef IVORY_DEFINE_ELEMENT_CODE

template <typename... Ts> struct TypeList {};

namespace detail {
template <typename Head, typename... Ts> struct DropFirst { using type = TypeList<Ts...>; };
#define IVORY_LEADING_COMMA_TYPE(T, code) , T
}  // namespace detail

// TypeList<char, unsigned char, ..., double>, in code order.
using ElementTypes = detail::DropFirst<void IVORY_ELEMENT_TYPES(IVORY_LEADING_COMMA_TYPE)>::type;
#undef IVORY_LEADING_COMMA_TYPE

}  // namespace Ivory

#endif
