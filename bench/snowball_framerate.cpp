// Frame time and memory of the running game while 2,000 snowballs fly and after
// they have retired. Drives the real frame (display) in a real GLUT window and
// throws through the real mouse callback. Needs an X display: on a headless
// machine run it under xvfb-run.
//
// Usage: snowball_framerate [data folder]   (default: the source tree's data/)
//
// Target: while the snowballs fly the frame rate stays at least half of the
// empty scene's, and once they have retired the resident memory is back at its
// level before the throws (within kMemoryToleranceKiB).

#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

#include "scene/world.h"
#include "shell/game.h"
#include "shell/input.h"
#include "shell/window.h"

namespace {

const int kWarmUpFrames = 60;
const int kMeasuredFrames = 300;
const int kThrowingFrames = 100;
const int kThrowsPerFrame = 20;                     // 2,000 throws in all
const int kMostFramesUntilRetired = 5000;           // a flight out of sight takes about 440
const long kMemoryToleranceKiB = 512;

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One frame as GLUT's loop runs it, finished on the GPU, in milliseconds.
double timedFrame()
{
    const auto start = std::chrono::steady_clock::now();
    display();
    glFinish();
    const auto end = std::chrono::steady_clock::now();
    glutMainLoopEvent();  // window-system events between frames, as the real loop handles them
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> times)
{
    if (times.empty()) {
        return 0.0;
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

std::vector<double> runFrames(int count)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        times.push_back(timedFrame());
    }
    return times;
}

void throwSnowball()
{
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 300);
}

void ignoreRedisplay() {}  // frames are driven by the benchmark, not by GLUT's loop

void printRow(const char* phase, int frames, double medianMs, int liveSnowballs)
{
    std::printf("%-28s %7d %12.3f %10.1f %8d\n", phase, frames, medianMs,
                medianMs > 0.0 ? 1000.0 / medianMs : 0.0, liveSnowballs);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* dataFolder = FROSTFELD_DATA_DIR;
    if (argc > 1) {
        dataFolder = argv[1];
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(800, 600);
    glutCreateWindow("Frostfeld benchmark");
    glutDisplayFunc(ignoreRedisplay);
    glutReshapeFunc(reshape);
    if (chdir(dataFolder) != 0) {
        std::cout << "Cannot enter the data folder " << dataFolder << std::endl;
        return 1;
    }
    initGame();
    World* world = g_game->world;

    runFrames(kWarmUpFrames);
    const double emptyMs = median(runFrames(kMeasuredFrames));
    const long memoryBefore = residentKiB();

    std::vector<double> throwing;
    int mostLive = 0;
    for (int frame = 0; frame < kThrowingFrames; ++frame) {
        for (int i = 0; i < kThrowsPerFrame; ++i) {
            throwSnowball();
        }
        throwing.push_back(timedFrame());
        mostLive = std::max(mostLive, world->snowballCount());
    }
    std::vector<double> flying;
    while (world->snowballCount() > 0 && static_cast<int>(flying.size()) < kMostFramesUntilRetired) {
        flying.push_back(timedFrame());
    }
    const int leftFlying = world->snowballCount();

    const double afterMs = median(runFrames(kMeasuredFrames));
    const long memoryAfter = residentKiB();

    const double throwingMs = median(throwing);
    const double flyingMs = median(flying);
    const double worstMs = std::max(throwingMs, flyingMs);

    std::printf("%-28s %7s %12s %10s %8s\n", "phase", "frames", "median ms", "fps", "live");
    printRow("empty scene", kMeasuredFrames, emptyMs, 0);
    printRow("throwing (20 per frame)", kThrowingFrames, throwingMs, mostLive);
    printRow("flying until retired", static_cast<int>(flying.size()), flyingMs, leftFlying);
    printRow("after retirement", kMeasuredFrames, afterMs, leftFlying);
    std::printf("\nresident memory before the throws: %ld KiB, after retirement: %ld KiB (%+ld KiB)\n",
                memoryBefore, memoryAfter, memoryAfter - memoryBefore);

    const bool rateHolds = worstMs <= 2.0 * emptyMs;
    const bool allRetired = leftFlying == 0;
    const bool memoryHolds = memoryAfter - memoryBefore <= kMemoryToleranceKiB;
    std::printf("frame rate at least half of the empty scene's: %s (worst median %.3f ms, limit %.3f ms)\n",
                rateHolds ? "yes" : "NO", worstMs, 2.0 * emptyMs);
    std::printf("every snowball retired: %s\n", allRetired ? "yes" : "NO");
    std::printf("memory back to its earlier level (within %ld KiB): %s\n", kMemoryToleranceKiB,
                memoryHolds ? "yes" : "NO");
    std::printf("target %s\n", rateHolds && allRetired && memoryHolds ? "holds" : "MISSED");
    return rateHolds && allRetired && memoryHolds ? 0 : 1;
}
