#ifndef IVORY_ELEMENTTYPES_H
#define IVORY_ELEMENTTYPES_H

/// \file
/// The eight element types and their codes, written once. The codes are the
/// OpenGL data-type enumerants, so GL callers can pass their own constants;
/// the library itself needs no GL header.

/// Calls X(type, code) for each of the eight element types in code order.
/// Every list of types in the library (explicit instantiations, the
/// createImage switch, typed tests) is derived from it, and users may derive
/// their own the same way.
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

constexpr int kTypeByte = 0x1400;           ///< `char`, signed 8 bits (GL_BYTE).
constexpr int kTypeUnsignedByte = 0x1401;   ///< `unsigned char` (GL_UNSIGNED_BYTE).
constexpr int kTypeShort = 0x1402;          ///< `short` (GL_SHORT).
constexpr int kTypeUnsignedShort = 0x1403;  ///< `unsigned short` (GL_UNSIGNED_SHORT).
constexpr int kTypeInt = 0x1404;            ///< `int` (GL_INT).
constexpr int kTypeUnsignedInt = 0x1405;    ///< `unsigned int` (GL_UNSIGNED_INT).
constexpr int kTypeFloat = 0x1406;          ///< `float` (GL_FLOAT).
constexpr int kTypeDouble = 0x140A;         ///< `double` (GL_DOUBLE).

// The library treats char as the signed 8-bit type, as the code table says;
// the build passes -fsigned-char to every user of the headers.
static_assert(static_cast<char>(-1) < 0, "Ivory needs a signed char (build with -fsigned-char)");

/// Whether a code names an unsigned type: the unsigned types have the odd
/// codes, and the filters and derivatives refuse them as output types.
/// \param code an element-type code.
/// \return true for an odd code.
constexpr bool isUnsignedCode(int code) { return (code & 1) != 0; }

/// The code of element type T: `ElementCode<T>::value`, defined for the eight
/// types only.
/// \tparam T an element type.
template <typename T> struct ElementCode;
/// \cond IVORY_INTERNAL
#define IVORY_DEFINE_ELEMENT_CODE(T, code) \
    template <> struct ElementCode<T> { static constexpr int value = code; };
IVORY_ELEMENT_TYPES(IVORY_DEFINE_ELEMENT_CODE)
#undef IVORY_DEFINE_ELEMENT_CODE
/// \endcond

/// A list of types, for deriving per-type code (e.g. typed tests) from #ElementTypes.
/// \tparam Ts the types.
template <typename... Ts> struct TypeList {};

/// \cond IVORY_INTERNAL
namespace detail {
template <typename Head, typename... Ts> struct DropFirst { using type = TypeList<Ts...>; };
#define IVORY_LEADING_COMMA_TYPE(T, code) , T
}  // namespace detail
/// \endcond

/// The eight element types in code order: TypeList<char, unsigned char, …, double>.
using ElementTypes = detail::DropFirst<void IVORY_ELEMENT_TYPES(IVORY_LEADING_COMMA_TYPE)>::type;
#undef IVORY_LEADING_COMMA_TYPE

}  // namespace Ivory

#endif
