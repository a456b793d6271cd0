#ifndef FROSTFELD_GAME_TEST_SUPPORT_H
#define FROSTFELD_GAME_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace FrostfeldTest {

// What f printed on standard output.
template <typename F> std::string captureStdout(F&& f)
{
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// A fresh folder that is the working directory while it lives: the game opens its
// data files relative to it.
class TempWorkingDir {
public:
    TempWorkingDir() { std::filesystem::current_path(path_); }
    ~TempWorkingDir()
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    void write(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }

private:
    std::string pattern_ = (std::filesystem::temp_directory_path() / "frostfeld-test-XXXXXX").string();
    const std::filesystem::path previous_ = std::filesystem::current_path(), path_ = mkdtemp(pattern_.data());
};

}  // namespace FrostfeldTest

#endif
