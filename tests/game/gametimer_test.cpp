// The game timer's two queries and the snowball's report of a failing clock.
#include <cstdint>

#include "game_test_support.h"
#include "scene/snowball.h"
#include "shell/gametimer.h"

namespace {

int g_counterReads = 0;

bool noFrequency(int64_t* countsPerSecond)
{
    *countsPerSecond = 0;
    return false;
}

bool countedCounter(int64_t* count)
{
    ++g_counterReads;
    *count = 77;
    return true;
}

const ClockSource kBrokenClock{noFrequency, countedCounter};

TEST(GameTimer, SteadyClockGivesNanosecondCountsAndAStart)
{
    GameTimer first;
    GameTimer second;
    EXPECT_EQ(first.frequency, 1000000000);
    EXPECT_TRUE(first.started());
    EXPECT_GT(first.startCount, 0);
    EXPECT_GE(second.startCount, first.startCount);
}

TEST(GameTimer, CounterIsNotReadWhenTheFrequencyQueryFails)
{
    g_counterReads = 0;
    GameTimer timer(kBrokenClock);
    EXPECT_EQ(g_counterReads, 0);
    EXPECT_EQ(timer.startCount, 0);
    EXPECT_FALSE(timer.started());
}

TEST(GameTimer, SnowballReportsAFailingClockAndFliesAllTheSame)
{
    Snowball* snowball = nullptr;
    EXPECT_EQ(FrostfeldTest::captureStdout([&] { snowball = new Snowball(kBrokenClock); }),
              "Timer funktioniert nicht!\n");
    snowball->integrate(0.005f);
    EXPECT_NEAR(snowball->flightPosition.x, 0.6f, 1e-6f);
    delete snowball;

    EXPECT_EQ(FrostfeldTest::captureStdout([&] { Snowball quiet; }), "");
}

}  // namespace
