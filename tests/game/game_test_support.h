#ifndef FROSTFELD_GAME_TEST_SUPPORT_H
#define FROSTFELD_GAME_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

template <typename F> std::string captureStdout(F&& f)
{
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// A fresh folder that is the working directory while it lives (the game opens its data files there).
class TempWorkingDir {
public:
    TempWorkingDir() { std::filesystem::current_path(path_); }
    ~TempWorkingDir()  // a destructor must not throw: failures to clean up are ignored
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }

private:
    static std::filesystem::path freshFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "frostfeld-test-XXXXXX").string();
        return mkdtemp(pattern.data());
    }
    const std::filesystem::path previous_ = std::filesystem::current_path(), path_ = freshFolder();
};

#endif
