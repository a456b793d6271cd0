#ifndef FROSTFELD_ENEMY_H
#define FROSTFELD_ENEMY_H

#include "scene/player.h"

class SbViewportRegion;
class SoGLRenderAction;
class SoSeparator;
class SoTransform;

// The figure the player throws at: a Player with an Open Inventor model that the
// frame draws after the scene tree. It stands still and takes no damage.
class Enemy : public Player {
public:
    static const char* const kModelFile;

    Enemy();

    // Reads kModelFile and builds modelRoot = { modelTransform, model }. On a missing or
    // unreadable file it reports and the root holds only the transform.
    void loadModel();
    // Puts modelPosition on a Field (exact type); the drawn model does not move.
    void onCollision(Object* other) override;
    // Applies renderAction to modelRoot in the live GL viewport; leaves all GL state as it found it.
    void drawModel();

    float groundOffset;
    Vec3 modelPosition;
    SoSeparator* modelRoot;
    SoSeparator* model;
    SoTransform* modelTransform;
    SbViewportRegion* viewportRegion;
    SoGLRenderAction* renderAction;
};

#endif
