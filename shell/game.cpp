#include "shell/game.h"

#include <GL/freeglut.h>

#include "scene/enemy.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "shell/gametimer.h"
#include "terrain/field.h"

Game::Game()
{
    camera = new Camera;
    world = new World(camera);
    timer = new GameTimer;
}

void Game::frame(float dt)
{
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // the first frame clears to black
    glLoadIdentity();
    world->setupLighting();
    camera->update(dt);
    world->drawHud(dt);
    world->field->drawTree(camera);
    world->enemy->drawModel();
    if (!world->running) {
        world->drawVeil();
    }
    world->retireSnowballs();  // outside every walk
    glutSwapBuffers();
}
