// The terrain's random source, generator, normalisation and height lookup.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/heightfield.h"
#include "terrain/random.h"

namespace {

uint32_t fnv1a(const std::vector<float>& values)
{
    uint32_t hash = 2166136261u;
    for (float v : values) {
        unsigned char bytes[4];
        std::memcpy(bytes, &v, 4);
        for (unsigned char b : bytes) hash = (hash ^ b) * 16777619u;
    }
    return hash;
}

TEST(RandomSource, KnownSequenceInFifteenBits)
{
    RandomSource random;
    EXPECT_EQ(random.next(), 16838);  // the well-known sequence of this generator from state 1
    EXPECT_EQ(random.next(), 5758);
    EXPECT_EQ(random.next(), 10113);
    int lowest = RandomSource::kMax, highest = 0;
    for (int k = 0; k < 200000; ++k) {
        const int r = random.next();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 32767);
}

// The same landscape on every run and machine; changing the generator changes the checksum.
TEST(GenerateHeights, LandscapeIsPinnedSpansZeroToOneAndDrawsOneValuePerWrite)
{
    std::vector<float> grid(32 * 32);
    generateHeights(grid.data(), 32, 1.0f);
    EXPECT_EQ(fnv1a(grid), 2963749858u);
    EXPECT_EQ(*std::min_element(grid.begin(), grid.end()), 0.0f);
    EXPECT_EQ(*std::max_element(grid.begin(), grid.end()), 1.0f);

    RandomSource used;
    std::vector<float> again(32 * 32);
    generateHeights(again.data(), 32, 1.0f, used);
    EXPECT_EQ(again, grid);
    RandomSource reference;
    for (int k = 0; k < 4095; ++k) reference.next();
    EXPECT_EQ(used.next(), reference.next());
}

TEST(NormalizeHeights, RescalesToZeroOneButLeavesAFlatGrid)
{
    std::vector<float> grid{2.0f, 4.0f, 3.0f, 6.0f};
    normalizeHeights(grid.data(), 2);
    EXPECT_EQ(grid, (std::vector<float>{0.0f, 0.5f, 0.25f, 1.0f}));
    std::vector<float> flat(9, 7.5f);
    normalizeHeights(flat.data(), 3);
    EXPECT_EQ(flat, std::vector<float>(9, 7.5f));
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

TEST_F(HeightLookup, GridPointsMidpointsAndTheWrappingLastColumn)
{
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(at((k % 4) * 50.0, (k / 4) * 50.0), corner(k % 4, k / 4));
    }
    EXPECT_EQ(at(75.0, 100.0), (corner(1, 2) + corner(2, 2)) / 2.0f);
    EXPECT_EQ(at(100.0, 75.0), (corner(2, 1) + corner(2, 2)) / 2.0f);
    EXPECT_EQ(at(175.0, 50.0), (corner(3, 1) + corner(0, 1)) / 2.0f);
    EXPECT_EQ(at(50.0, 175.0), (corner(1, 3) + corner(1, 0)) / 2.0f);
}

TEST_F(HeightLookup, PositionsOutsideTheGridWrapAndStayFinite)
{
    EXPECT_EQ(at(200.0, 0.0), corner(0, 0));
    EXPECT_EQ(at(-25.0, 50.0), at(175.0, 50.0));
    EXPECT_EQ(at(-400.0, -350.0), at(0.0, 50.0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(at(nan, 50.0), corner(0, 1));
    EXPECT_EQ(at(inf, -inf), corner(0, 0));
    EXPECT_TRUE(std::isfinite(at(1e30, -1e-30)));
}

}  // namespace
