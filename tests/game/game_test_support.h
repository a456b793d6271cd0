#ifndef FROSTFELD_GAME_TEST_SUPPORT_H
#define FROSTFELD_GAME_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "scene/object.h"

namespace FrostfeldTest {

// Runs f while standard output is captured and returns what it printed.
template <typename F> std::string captureStdout(F&& f)
{
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

// A fresh folder that is also the working directory while it lives (the game opens
// its data files relative to it); both are restored at the end.
class TempWorkingDir {
public:
    TempWorkingDir() : previous_(std::filesystem::current_path())
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "frostfeld-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        std::filesystem::current_path(path_);
    }
    ~TempWorkingDir()
    {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    void write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// What the recording objects saw, in order.
struct Recording {
    std::vector<std::pair<std::string, std::string>> collisions;  // (self, other)
    std::vector<std::string> updates;
    std::vector<std::string> draws;
    std::vector<std::string> destructions;
};

// An Object that records its name on every operation the walks call.
class RecordingObject : public Object {
public:
    RecordingObject(std::string name, Recording* recording, Vec3 at = {}, float sphere = 1.0f)
        : name(std::move(name)), recording(recording)
    {
        position = at;
        radius = sphere;
    }
    ~RecordingObject() override { recording->destructions.push_back(name); }

    void draw(Camera*) override { recording->draws.push_back(name); }
    void update() override { recording->updates.push_back(name); }
    void onCollision(Object* other) override
    {
        recording->collisions.emplace_back(name, static_cast<RecordingObject*>(other)->name);
    }

    std::string name;
    Recording* recording;
};

}  // namespace FrostfeldTest

#endif
