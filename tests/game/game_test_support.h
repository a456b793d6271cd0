#ifndef FROSTFELD_GAME_TEST_SUPPORT_H
#define FROSTFELD_GAME_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// What f printed on standard output.
template <typename F> std::string captureStdout(F&& f)
{
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// A fresh folder that is the working directory while it lives (the game opens its data files there).
struct TempWorkingDir {
    TempWorkingDir() { std::filesystem::current_path(path); }
    ~TempWorkingDir() { std::filesystem::current_path(previous); std::filesystem::remove_all(path); }
    std::string pattern = (std::filesystem::temp_directory_path() / "frostfeld-test-XXXXXX").string();
    const std::filesystem::path previous = std::filesystem::current_path(), path = mkdtemp(pattern.data());
};

#endif
