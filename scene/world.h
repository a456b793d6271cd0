#ifndef FROSTFELD_WORLD_H
#define FROSTFELD_WORLD_H

class Camera;
class Enemy;
class Field;
class Player;
class Snowball;
struct Light;

// Builds and holds the scene: the field (root of the scene tree) with the player,
// the enemy and the thrown snowballs as its children, in that order.
class World {
public:
    explicit World(Camera* camera);

    // Sets the clear colour, runs the update walk and switches lighting on.
    void setupLighting();
    // Sets light 0, keeps the eye on the ground and inside the field, draws the health
    // text at the nearest depth, so the scene drawn after it stays behind it.
    void drawHud(float dt);
    // Puts the eye at the player's height above the ground (taken where the eye was),
    // then inside the field's margins. No GL.
    void placeEyeOnGround();
    // A translucent black veil over the view; the frame draws it while not running.
    void drawVeil();
    // Marks the snowballs that can no longer be seen as inactive, then removes and
    // frees every inactive one. Must run outside any walk over the tree.
    void retireSnowballs();
    // Whether a snowball is out of sight for good at the camera's current eye.
    bool isOutOfSight(const Snowball& snowball) const;
    // The snowballs under the field, counted.
    int snowballCount() const;

    Field* field;
    Camera* camera;
    Player* player;
    Light* light;
    Enemy* enemy;
    bool running;
    float clockStart;
    float clock;
};

#endif
