// The terrain's random source, generator, normalisation and height lookup.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/heightfield.h"
#include "terrain/random.h"

namespace {

const int kGridSize = 32;

std::vector<float> generatedGrid()
{
    std::vector<float> grid(kGridSize * kGridSize);
    generateHeights(grid.data(), kGridSize, 1.0f);
    return grid;
}

// FNV-1a over the bit patterns of the values.
uint32_t checksum(const std::vector<float>& values)
{
    uint32_t hash = 2166136261u;
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int byte = 0; byte < 4; ++byte) {
            hash = (hash ^ ((bits >> (8 * byte)) & 0xFFu)) * 16777619u;
        }
    }
    return hash;
}

TEST(RandomSource, FollowsTheLinearCongruentialSequenceFromItsFixedState)
{
    RandomSource random;
    // The well-known sequence of this generator from state 1.
    EXPECT_EQ(random.next(), 16838);
    EXPECT_EQ(random.next(), 5758);
    EXPECT_EQ(random.next(), 10113);
    EXPECT_EQ(random.next(), 17515);
}

TEST(RandomSource, StaysWithinFifteenBits)
{
    RandomSource random;
    int lowest = RandomSource::kMax;
    int highest = 0;
    for (int k = 0; k < 200000; ++k) {
        const int r = random.next();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 32767);
}

TEST(GenerateHeights, DrawsOneValuePerWrite)
{
    std::vector<float> grid(kGridSize * kGridSize);
    RandomSource used;
    generateHeights(grid.data(), kGridSize, 1.0f, used);
    RandomSource reference;
    for (int k = 0; k < 4095; ++k) reference.next();
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(used.next(), reference.next()) << "draw " << 4095 + k;
    }
}

TEST(GenerateHeights, NormalisedToZeroOneWithBothEndsReached)
{
    const std::vector<float> grid = generatedGrid();
    EXPECT_EQ(*std::min_element(grid.begin(), grid.end()), 0.0f);
    EXPECT_EQ(*std::max_element(grid.begin(), grid.end()), 1.0f);
}

TEST(GenerateHeights, LandscapeIsPinned)
{
    // The same landscape on every run and machine; changing the generator changes this.
    const std::vector<float> grid = generatedGrid();
    EXPECT_EQ(grid, generatedGrid());
    EXPECT_EQ(checksum(grid), 2963749858u);
}

TEST(NormalizeHeights, RescalesToZeroOne)
{
    std::vector<float> grid{2.0f, 4.0f, 3.0f, 6.0f};
    normalizeHeights(grid.data(), 2);
    EXPECT_EQ(grid, (std::vector<float>{0.0f, 0.5f, 0.25f, 1.0f}));
}

TEST(NormalizeHeights, LeavesAFlatGridUnchanged)
{
    std::vector<float> grid(9, 7.5f);
    normalizeHeights(grid.data(), 3);
    EXPECT_EQ(grid, std::vector<float>(9, 7.5f));
}

// A 4 x 4 grid of distinct values, cell 50, scale 175 as in the game.
class HeightLookup : public ::testing::Test {
protected:
    HeightLookup()
    {
        for (int k = 0; k < 16; ++k) grid[k] = 0.0625f * static_cast<float>(k);
    }
    float at(double x, double z) const { return interpolateHeight(grid, 4, 50.0f, 175.0f, x, z); }
    float corner(int column, int row) const { return grid[row * 4 + column] * 175.0f; }
    float grid[16];
};

TEST_F(HeightLookup, GridPointsGiveTheirValueTimesScale)
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(at(column * 50.0, row * 50.0), corner(column, row));
        }
    }
}

TEST_F(HeightLookup, MidpointsGiveTheMeanOfTheirCorners)
{
    EXPECT_EQ(at(75.0, 100.0), (corner(1, 2) + corner(2, 2)) / 2.0f);
    EXPECT_EQ(at(100.0, 75.0), (corner(2, 1) + corner(2, 2)) / 2.0f);
    EXPECT_FLOAT_EQ(at(25.0, 25.0), (corner(0, 0) + corner(1, 0) + corner(0, 1) + corner(1, 1)) / 4.0f);
}

TEST_F(HeightLookup, LastColumnAndRowBlendWithTheFirst)
{
    EXPECT_EQ(at(175.0, 50.0), (corner(3, 1) + corner(0, 1)) / 2.0f);
    EXPECT_EQ(at(50.0, 175.0), (corner(1, 3) + corner(1, 0)) / 2.0f);
}

TEST_F(HeightLookup, PositionsOutsideTheGridWrapAndStayFinite)
{
    EXPECT_EQ(at(200.0, 0.0), corner(0, 0));
    EXPECT_EQ(at(-25.0, 50.0), at(175.0, 50.0));
    EXPECT_EQ(at(50.0, 450.0), at(50.0, 50.0));
    EXPECT_EQ(at(-400.0, -350.0), at(0.0, 50.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(at(nan, 50.0), corner(0, 1));
    EXPECT_EQ(at(inf, -inf), corner(0, 0));
    EXPECT_TRUE(std::isfinite(at(1e30, -1e30)));
    EXPECT_TRUE(std::isfinite(at(-1e-30, 199.99999999)));
}

}  // namespace
