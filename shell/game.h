#ifndef FROSTFELD_GAME_H
#define FROSTFELD_GAME_H

class Camera;
class GameTimer;
class World;

// The one game: owns the camera, the world and a timer, and renders frames.
// Needs a current GL context made by GLUT (the world uploads the snow texture;
// a frame draws GLUT text and spheres and swaps GLUT's buffers).
class Game {
public:
    Game();

    // One complete frame, ending with the buffer swap. Expects the modelview matrix
    // selected and the projection loaded.
    void frame(float dt);

    Camera* camera;
    World* world;
    GameTimer* timer;
};

#endif
