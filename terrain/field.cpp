#include "terrain/field.h"

#include <cmath>

#include "terrain/heightfield.h"

Field::Field(float roughness)
    : texture(0),
      gridSize(32),
      cellSize(50.0f),
      heightScale(175.0f),
      margin(80.0f),
      textureScale(0.25f),
      heights(nullptr),
      fogColor{0.8f, 0.9f, 0.95f, 1.0f}
{
    const float n = static_cast<float>(gridSize);
    radius = std::sqrt(2.0f * n * (n * cellSize) * cellSize);
    createTerrain(gridSize, roughness);
}

Field::~Field()
{
    delete[] heights;
}

void Field::createTerrain(int n, float roughness)
{
    gridSize = n;
    heights = new float[static_cast<size_t>(n) * n];
    generateHeights(heights, n, roughness);
    createSnowTexture();
}

// The field's collision pass could only matter through an onCollision that reacts,
// and only the player's and the enemy's do, and only when handed the field itself.
// A pass started on the field never hands the field to anyone: the field is the
// pass's own object, and every object it tests lies below it. So the pass is
// without effect, yet over a field full of snowballs (all inside its sphere) its
// revisits cost O(n^2) or worse per frame. It is therefore not run.
void Field::update() {}

float Field::heightAt(double x, double z) const
{
    return interpolateHeight(heights, gridSize, cellSize, heightScale, x, z);
}
