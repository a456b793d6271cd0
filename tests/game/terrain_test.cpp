// The terrain's generator, normalisation and height lookup.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/heightfield.h"

namespace {

// The same landscape on every run and machine: a change to the random source, the
// passes or the normalisation (to 0 ... 1) changes the checksum (FNV-1a over the bytes).
TEST(GenerateHeights, LandscapeIsPinned)
{
    std::vector<float> grid(32 * 32);
    generateHeights(grid.data(), 32, 1.0f);
    uint32_t hash = 2166136261u;
    for (size_t k = 0; k < grid.size() * 4; ++k) hash = (hash ^ reinterpret_cast<unsigned char*>(grid.data())[k]) * 16777619u;
    EXPECT_EQ(hash, 2963749858u);
}

TEST(NormalizeHeights, RescalesToZeroOneButLeavesAFlatGrid)
{
    std::vector<float> grid{2.0f, 4.0f, 3.0f, 6.0f, 9.0f}, flat(9, 7.5f);  // the 9 lies past the 2 x 2 grid
    normalizeHeights(grid.data(), 2);
    normalizeHeights(flat.data(), 3);
    EXPECT_EQ(grid, (std::vector<float>{0.0f, 0.5f, 0.25f, 1.0f, 9.0f}));
    EXPECT_EQ(flat, std::vector<float>(9, 7.5f));
}

// A 4 x 4 grid of distinct values, cell 50, scale 175 as in the game; every sum
// below is exact in float.
TEST(HeightLookup, BlendsTheFourCornersAndWrapsAroundTheGrid)
{
    float grid[16];
    for (int k = 0; k < 16; ++k) grid[k] = 0.0625f * static_cast<float>(k);
    auto at = [&grid](double x, double z) { return interpolateHeight(grid, 4, 50.0f, 175.0f, x, z); };
    auto corner = [&grid](int column, int row) { return grid[row * 4 + column] * 175.0f; };
    for (int k = 0; k < 16; ++k) EXPECT_EQ(at((k % 4) * 50.0, (k / 4) * 50.0), corner(k % 4, k / 4)) << k;
    const struct { double x, z; float expected; } table[] = {
        {75.0, 100.0, (corner(1, 2) + corner(2, 2)) / 2.0f}, {100.0, 75.0, (corner(2, 1) + corner(2, 2)) / 2.0f},
        {75.0, 125.0, (corner(1, 2) + corner(2, 2) + corner(1, 3) + corner(2, 3)) / 4.0f},
        {175.0, 50.0, (corner(3, 1) + corner(0, 1)) / 2.0f},  // the last column blends with the first
        {50.0, 175.0, (corner(1, 3) + corner(1, 0)) / 2.0f},
        {200.0, 0.0, corner(0, 0)}, {-25.0, 50.0, (corner(3, 1) + corner(0, 1)) / 2.0f},  // outside the grid: wrapped
        {-1e-30, 0.0, corner(0, 0)}, {-400.0, -350.0, corner(0, 1)},  // -1e-30 folds onto 200.0, which wraps to 0
        {NAN, 50.0, corner(0, 1)}, {INFINITY, -INFINITY, corner(0, 0)}};
    for (const auto& row : table) EXPECT_EQ(at(row.x, row.z), row.expected) << row.x << ", " << row.z;
}

}  // namespace
