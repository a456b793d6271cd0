#ifndef FROSTFELD_HEIGHTFIELD_H
#define FROSTFELD_HEIGHTFIELD_H

class RandomSource;

// The height grid: n x n floats, value of column i and row j at heights[j*n + i];
// periodic, so index n is index 0 in both directions.

// Midpoint displacement (diamond-square) over the periodic grid, then normalizeHeights.
// n must be a power of two. Draws one value per write, 4*n*n - 1 in all.
void generateHeights(float* heights, int n, float roughness, RandomSource& random);
// The same from a fresh source in its fixed initial state: the game's landscape.
void generateHeights(float* heights, int n, float roughness);

// Rescales all n x n values to 0..1; a flat grid is left unchanged.
void normalizeHeights(float* heights, int n);

// Bilinear ground height at world (x, z) over a grid with the given cell size and
// height scale. Positions outside 0 <= x, z < n * cellSize wrap around the periodic grid.
float interpolateHeight(const float* heights, int n, float cellSize, float heightScale,
                        double x, double z);

#endif
