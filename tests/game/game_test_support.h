#ifndef FROSTFELD_GAME_TEST_SUPPORT_H
#define FROSTFELD_GAME_TEST_SUPPORT_H

#include "../test_support.h"

using IvoryTest::captureStdout;

// A fresh folder that is the working directory while it lives (the game opens its data files there).
class TempWorkingDir : public IvoryTest::TempDir {
public:
    TempWorkingDir() { std::filesystem::current_path(path()); }
    ~TempWorkingDir() { std::error_code ignored; std::filesystem::current_path(previous_, ignored); }  // before the removal

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
};

#endif
