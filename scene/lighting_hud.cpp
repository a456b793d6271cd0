#include <sstream>
#include <string>

#include <GL/freeglut.h>

#include "scene/light.h"
#include "scene/player.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "terrain/field.h"

void World::setupLighting()
{
    glClearColor(field->fogColor[0], field->fogColor[1], field->fogColor[2], field->fogColor[3]);
    field->updateTree();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    const float globalAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, globalAmbient);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    running = true;
}

void World::drawHud(float dt)
{
    glMatrixMode(GL_MODELVIEW);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light->diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light->ambient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light->specular);
    glLightfv(GL_LIGHT0, GL_POSITION, light->position);  // under the view: a place in the world

    placeEyeOnGround();

    std::ostringstream text;
    text << "Health: " << player->health;
    const std::string line = text.str();

    // The scene is drawn after the text: the text's pixels take the nearest depth
    // whatever lies there, so the terrain behind them fails the depth test later.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthRange(0.0, 0.0);  // before the raster position, which takes its depth from it
    glDisable(GL_LIGHTING);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, viewport[2], 0.0, viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor3f(1.0f, 0.0f, 0.0f);
    glRasterPos2f(660.0f, 580.0f);
    for (char character : line) {
        glutBitmapCharacter(GLUT_BITMAP_TIMES_ROMAN_24, character);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDepthRange(0.0, 1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);

    if (!running) {
        clock = clockStart;  // never happens: setupLighting sets running every frame
    } else {
        clock += dt;
    }
}

void World::drawVeil()
{
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    glBegin(GL_QUADS);
    glVertex3f(-5.0f, -5.0f, -3.0f);
    glVertex3f(5.0f, -5.0f, -3.0f);
    glVertex3f(5.0f, 5.0f, -3.0f);
    glVertex3f(-5.0f, 5.0f, -3.0f);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glPopMatrix();
}
