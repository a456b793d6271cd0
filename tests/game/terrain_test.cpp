// The terrain's generator and height lookup.
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "terrain/heightfield.h"

namespace {

// A change to the random source, the passes or the 0 ... 1 normalisation changes the FNV-1a checksum; nothing lands past
// the grid. A flat grid has no range to rescale: it stays as it is instead of turning into 0 / 0.
TEST(GenerateHeights, LandscapeIsPinnedAndAFlatGridStaysFlat)
{
    std::vector<float> grid(32 * 32 + 1, 9.0f);
    generateHeights(grid.data(), 32, 1.0f);
    uint32_t hash = 2166136261u;
    for (size_t k = 0; k < 32 * 32 * 4; ++k) hash = (hash ^ reinterpret_cast<unsigned char*>(grid.data())[k]) * 16777619u;
    EXPECT_EQ(hash, 2963749858u);
    EXPECT_EQ(grid.back(), 9.0f);
    std::vector<float> flat(9, 7.5f);
    normalizeHeights(flat.data(), 3);
    EXPECT_EQ(flat, std::vector<float>(9, 7.5f));
}

// Distinct values, cell 50 and scale 175 as in the game; every sum below is exact in float.
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
        {200.0, 0.0, corner(0, 0)}, {-1e-30, 0.0, corner(0, 0)}, {-400.0, -350.0, corner(0, 1)},  // outside: wrapped (-1e-30 onto 200)
        {NAN, 50.0, corner(0, 1)}, {INFINITY, -INFINITY, corner(0, 0)}};
    for (const auto& row : table) EXPECT_EQ(at(row.x, row.z), row.expected) << row.x << ", " << row.z;
}

}  // namespace
