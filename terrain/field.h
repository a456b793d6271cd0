#ifndef FROSTFELD_FIELD_H
#define FROSTFELD_FIELD_H

#include <cstdint>

#include "scene/object.h"

// The terrain: root of the scene tree, owner of the height grid and the snow
// texture. Its bounding sphere, the field's diagonal, covers everything on it.
class Field : public Object {
public:
    explicit Field(float roughness);
    ~Field() override;

    // Builds the n x n height grid and the snow texture from "snow.bmp".
    void createTerrain(int n, float roughness);
    void draw(Camera* camera) override;
    // Always empty: see the note in field.cpp on why the field runs no collision pass.
    void update() override;
    // Bilinear ground height at world (x, z); positions outside the grid wrap.
    float heightAt(double x, double z) const;

    uint32_t texture;
    int32_t gridSize;
    float cellSize;
    float heightScale;
    float margin;        // eye's distance from the edges; fog base; drawn half-width in cells
    float textureScale;  // texture units per cell: repeats every 4 cells
    float* heights;
    float fogColor[4];

private:
    // Uploads "snow.bmp" as the texture; prints "Could not open bitmap" when it cannot.
    void createSnowTexture();
};

#endif
