// Frame time and memory of the running game while 2,000 snowballs fly and after
// they have retired. Drives the real frame (display) in a real GLUT window and
// throws through the real mouse callback. Needs an X display: on a headless
// machine run it under xvfb-run.
//
// Usage: snowball_framerate [--sweep] [data folder]   (default: the source tree's data/)
//   Without --sweep every throw of a frame leaves from the same aim, as clicks in quick
//   succession do; with --sweep the aim turns 0.05 degrees between throws, so that no
//   two snowballs coincide and all 2,000 are drawn (a harsher load than any player's).
//
// Target: after 2,000 throws in quick succession, while the snowballs fly and
// once they have retired, the frame rate stays at least half of the empty
// scene's; every snowball retires; and in the measured round (after a first one
// that lets the GL driver's and the allocator's pools grow) the heap in use and
// the resident memory return to their levels before the throws.
// The throwing frames themselves are reported apart: each new snowball is drawn
// around the eye for its first frames and fills the view, a cost of the throw's
// look, not of the number of snowballs in flight.

#include <GL/freeglut.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "scene/world.h"
#include "shell/camera.h"
#include "shell/game.h"
#include "shell/input.h"
#include "shell/window.h"

namespace {

const int kWarmUpFrames = 60;
const int kMeasuredFrames = 300;
const int kThrowingFrames = 100;
const int kThrowsPerFrame = 20;             // 2,000 throws a round
const float kSweepYawPerThrow = 0.05f;
const int kRounds = 2;                      // the first warms up the allocator's and the GL driver's pools
const int kMostFramesUntilRetired = 5000;   // a flight out of sight takes about 440
const long kHeapToleranceKiB = 64;
const long kResidentToleranceKiB = 2048;    // page-level noise of a 100 MiB process

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Bytes the allocator has handed out and not got back: the game's own objects.
long heapInUseKiB()
{
    return static_cast<long>(mallinfo2().uordblks / 1024);
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

void ignoreRedisplay() {}  // frames are driven by the benchmark, not by GLUT's loop

struct Round {
    double throwingMs = 0.0;
    double flyingMs = 0.0;
    double afterMs = 0.0;
    int mostLive = 0;
    int flyingFrames = 0;
    int leftFlying = 0;
    long residentBefore = 0;
    long residentAfter = 0;
    long heapBefore = 0;
    long heapAfter = 0;
};

// 2,000 throws through the mouse callback, 20 a frame, then frames until every
// snowball has retired, then the scene again without them.
Round throwRound(Game* game, float yawPerThrow)
{
    Round round;
    round.residentBefore = residentKiB();
    round.heapBefore = heapInUseKiB();
    const float startYaw = game->camera->yaw;
    std::vector<double> throwing;
    for (int frame = 0; frame < kThrowingFrames; ++frame) {
        for (int i = 0; i < kThrowsPerFrame; ++i) {
            game->camera->yaw = startYaw + yawPerThrow * static_cast<float>(frame * kThrowsPerFrame + i);
            mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 300);
        }
        throwing.push_back(timedFrame());
        round.mostLive = std::max(round.mostLive, game->world->snowballCount());
    }
    game->camera->yaw = startYaw;
    std::vector<double> flying;
    while (game->world->snowballCount() > 0 && static_cast<int>(flying.size()) < kMostFramesUntilRetired) {
        flying.push_back(timedFrame());
    }
    round.leftFlying = game->world->snowballCount();
    round.afterMs = median(runFrames(kMeasuredFrames));
    round.throwingMs = median(throwing);
    round.flyingMs = median(flying);
    round.flyingFrames = static_cast<int>(flying.size());
    round.residentAfter = residentKiB();
    round.heapAfter = heapInUseKiB();
    return round;
}

void printRow(const std::string& phase, int frames, double medianMs, int live)
{
    std::printf("%-32s %7d %10.3f %8.1f %6d\n", phase.c_str(), frames, medianMs,
                medianMs > 0.0 ? 1000.0 / medianMs : 0.0, live);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* dataFolder = FROSTFELD_DATA_DIR;
    float yawPerThrow = 0.0f;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--sweep") {
            yawPerThrow = kSweepYawPerThrow;
        } else {
            dataFolder = argv[i];
        }
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

    runFrames(kWarmUpFrames);
    const double emptyMs = median(runFrames(kMeasuredFrames));
    std::vector<Round> rounds;
    for (int i = 0; i < kRounds; ++i) {
        rounds.push_back(throwRound(g_game, yawPerThrow));
    }

    std::printf("throws: %s\n\n", yawPerThrow == 0.0f ? "20 a frame from one aim" : "20 a frame, aim sweeping");
    std::printf("%-32s %7s %10s %8s %6s\n", "phase", "frames", "median ms", "fps", "live");
    printRow("empty scene", kMeasuredFrames, emptyMs, 0);
    double worstFlyingMs = 0.0;
    bool allRetired = true;
    for (size_t i = 0; i < rounds.size(); ++i) {
        const Round& r = rounds[i];
        const std::string name = "round " + std::to_string(i + 1) + ": ";
        printRow(name + "throwing, 20 a frame", kThrowingFrames, r.throwingMs, r.mostLive);
        printRow(name + "flying until retired", r.flyingFrames, r.flyingMs, r.leftFlying);
        printRow(name + "after retirement", kMeasuredFrames, r.afterMs, r.leftFlying);
        worstFlyingMs = std::max({worstFlyingMs, r.flyingMs, r.afterMs});
        allRetired = allRetired && r.leftFlying == 0;
    }
    std::printf("\n%-8s %14s %14s %14s %14s\n", "round", "RSS before", "RSS after", "heap before",
                "heap after");
    for (size_t i = 0; i < rounds.size(); ++i) {
        const Round& r = rounds[i];
        std::printf("%-8zu %10ld KiB %10ld KiB %10ld KiB %10ld KiB\n", i + 1, r.residentBefore,
                    r.residentAfter, r.heapBefore, r.heapAfter);
    }

    const Round& first = rounds.front();
    const Round& last = rounds.back();
    const bool rateHolds = worstFlyingMs <= 2.0 * emptyMs;
    // The first round grows pools that the GL driver and the allocator keep for reuse
    // (the same amount whatever the number of rounds); the measured round must give
    // back everything it took.
    const long heapGrowth = last.heapAfter - last.heapBefore;
    const long residentGrowth = last.residentAfter - last.residentBefore;
    const bool heapHolds = heapGrowth <= kHeapToleranceKiB;
    const bool residentHolds = residentGrowth <= kResidentToleranceKiB;
    std::printf("\nframe rate after the throws at least half of the empty scene's: %s "
                "(worst median %.3f ms, limit %.3f ms)\n",
                rateHolds ? "yes" : "NO", worstFlyingMs, 2.0 * emptyMs);
    std::printf("while throwing (20 spheres a frame drawn around the eye, filling the view): %.3f ms\n",
                last.throwingMs);
    std::printf("every snowball retired: %s\n", allRetired ? "yes" : "NO");
    std::printf("pools grown by the first round: heap %+ld KiB, resident %+ld KiB\n",
                first.heapAfter - first.heapBefore, first.residentAfter - first.residentBefore);
    std::printf("round %d: heap in use back to its level before the throws (within %ld KiB): %s (%+ld KiB)\n",
                kRounds, kHeapToleranceKiB, heapHolds ? "yes" : "NO", heapGrowth);
    std::printf("round %d: resident memory back to its level before the throws (within %ld KiB): %s (%+ld KiB)\n",
                kRounds, kResidentToleranceKiB, residentHolds ? "yes" : "NO", residentGrowth);
    const bool holds = rateHolds && allRetired && heapHolds && residentHolds;
    std::printf("target %s\n", holds ? "holds" : "MISSED");
    return holds ? 0 : 1;
}
