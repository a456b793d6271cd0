#ifndef FROSTFELD_RENDER_SUPPORT_H
#define FROSTFELD_RENDER_SUPPORT_H

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "game_test_support.h"

namespace FrostfeldTest {

struct Rgb {
    int r;
    int g;
    int b;
};

// A rectangle of pixels, x and y counted from the lower left corner as GL does.
struct Region {
    int x;
    int y;
    int width;
    int height;
};

// The window's pixels as read back after a frame's swap.
class Picture {
public:
    Picture(int width, int height) : width(width), height(height), rgba(static_cast<size_t>(width) * height * 4) {}

    Rgb at(int x, int y) const
    {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
    int count(const Region& region, const std::function<bool(Rgb)>& wanted) const
    {
        int found = 0;
        for (int y = region.y; y < region.y + region.height; ++y) {
            for (int x = region.x; x < region.x + region.width; ++x) {
                found += wanted(at(x, y)) ? 1 : 0;
            }
        }
        return found;
    }
    double share(const Region& region, const std::function<bool(Rgb)>& wanted) const
    {
        return static_cast<double>(count(region, wanted)) / (region.width * region.height);
    }
    int distinctColours(const Region& region) const
    {
        std::set<uint32_t> colours;
        for (int y = region.y; y < region.y + region.height; ++y) {
            for (int x = region.x; x < region.x + region.width; ++x) {
                const Rgb c = at(x, y);
                colours.insert(static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b));
            }
        }
        return static_cast<int>(colours.size());
    }
    Region whole() const { return Region{0, 0, width, height}; }

    // A binary PPM, top row first, for looking at a failed test's frame.
    void savePpm(const std::string& path) const
    {
        std::ofstream out(path, std::ios::binary);
        out << "P6 " << width << " " << height << " 255\n";
        for (int y = height - 1; y >= 0; --y) {
            for (int x = 0; x < width; ++x) {
                const Rgb c = at(x, y);
                out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
            }
        }
    }

    int width;
    int height;
    std::vector<uint8_t> rgba;
};

inline bool near(Rgb c, Rgb expected, int tolerance)
{
    return std::abs(c.r - expected.r) <= tolerance && std::abs(c.g - expected.g) <= tolerance &&
           std::abs(c.b - expected.b) <= tolerance;
}

const Rgb kFog{204, 230, 242};  // the fog and clear colour (0.8, 0.9, 0.95) in bytes
const Rgb kBlack{0, 0, 0};

inline bool isFog(Rgb c) { return near(c, kFog, 1); }
inline bool isBlack(Rgb c) { return near(c, kBlack, 0); }
// The health text: red, modulated by whatever texel the raster position picked up.
inline bool isTextRed(Rgb c) { return c.r > 150 && c.g < 60 && c.b < 60; }

// Reads width x height RGBA pixels, bottom row first, of the current GL window from the
// X server (render_support.cpp keeps the X headers away from the tests' names).
bool readWindowPixels(int width, int height, uint8_t* rgba);

// The GLX extensions of the current window's screen.
std::string glxExtensions();
// The current window's swap interval through GLX_EXT_swap_control, which must be offered.
void setSwapInterval(int interval);
int swapInterval();

// A real GLUT window of the game's size and display mode, with a fresh GL context,
// for one test. GLUT is initialised once per process; each test gets its own window,
// so each game starts from GL's initial state as the real program does.
class GameWindow {
public:
    static bool displayAvailable()
    {
        const char* display = std::getenv("DISPLAY");
        return display != nullptr && *display != '\0';
    }

    GameWindow()
    {
        initGlutOnce();
        exposed() = false;
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowPosition(0, 0);
        glutInitWindowSize(800, 600);
        id_ = glutCreateWindow("Frostfeld render test");
        glutDisplayFunc(noteExposed);  // frames are driven by the test, not by GLUT's loop
        shown_ = pumpUntil([] { return exposed(); });
    }
    ~GameWindow()
    {
        glutDestroyWindow(id_);
        glutMainLoopEvent();
    }

    // Whether the window was mapped and exposed within the time limit.
    bool shown() const { return shown_; }

    // Handles window-system events until done() holds; false after ten seconds.
    static bool pumpUntil(const std::function<bool()>& done)
    {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) {
                return false;
            }
            glutMainLoopEvent();
        }
        return true;
    }

    // What the window shows now, as the X server holds it: the frame after its swap.
    // (Front-buffer reads through GL come back black under Mesa's software path.)
    static Picture readScreen()
    {
        Picture picture(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
        if (!readWindowPixels(picture.width, picture.height, picture.rgba.data())) {
            ADD_FAILURE() << "cannot read the window back";
        }
        return picture;
    }

private:
    static bool& exposed()
    {
        static bool value = false;
        return value;
    }
    static void noteExposed() { exposed() = true; }
    static void initGlutOnce()
    {
        static bool done = false;
        if (!done) {
            int argc = 1;
            char name[] = "frostfeld_render_tests";
            char* argv[] = {name, nullptr};
            glutInit(&argc, argv);
            done = true;
        }
    }

    int id_;
    bool shown_;
};

// Copies the game's data files into the working directory, minus the ones named in leaveOut.
inline void copyGameData(const std::vector<std::string>& leaveOut = {})
{
    const std::filesystem::path source = FROSTFELD_DATA_DIR;
    std::filesystem::create_directories("texturen");
    for (const std::string name : {"snow.bmp", "texturen/female.iv"}) {
        if (std::find(leaveOut.begin(), leaveOut.end(), name) == leaveOut.end()) {
            std::filesystem::copy_file(source / name, name);
        }
    }
}

}  // namespace FrostfeldTest

#endif
