#ifndef IVORY_TEST_SUPPORT_H
#define IVORY_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "ivory/imagebase.h"

namespace IvoryTest {

// The eight element types as a gtest type list, derived from the library's own list.
template <typename L> struct ToGTestTypes;
template <typename... Ts> struct ToGTestTypes<Ivory::TypeList<Ts...>> { using type = ::testing::Types<Ts...>; };
using AllElementTypes = ToGTestTypes<Ivory::ElementTypes>::type;

template <typename F> std::string captureStdout(F&& f) {
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// A fresh folder per test, removed again at the end of it (failures to remove are ignored: a destructor must not throw).
class TempDir {
public:
    TempDir() : path_(mkdtemp((std::filesystem::temp_directory_path() / "ivory-test-XXXXXX").string().data())) {}
    ~TempDir() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Bit pattern of a float or double, for exact comparisons that also tell -0 from 0.
template <typename T> auto bitsOf(T v) {
    std::conditional_t<sizeof(T) == 8, uint64_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint16_t>> u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

}  // namespace IvoryTest

#endif
