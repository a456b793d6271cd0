#include "shell/window.h"

#include <GL/freeglut.h>

#include "shell/game.h"
#include "shell/hiddenpointer.h"
#include "shell/swapcontrol.h"

namespace {

// Single-precision constants, widened for GLU on purpose.
const double kFieldOfView = 54.0;
const double kAspect = static_cast<double>(4.0f / 3.0f);  // 1.3333333730697632: fixed 4:3
const double kNearPlane = static_cast<double>(0.1f);      // 0.10000000149011612
const double kFarPlane = 200.0;

void loadProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFieldOfView, kAspect, kNearPlane, kFarPlane);
}

}  // namespace

Game* g_game = nullptr;
float g_mouseSensitivity = 0.0f;

void initGame()
{
    Game* game = new Game;
    g_mouseSensitivity = kMouseSensitivity;
    g_game = game;
    loadProjection();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    swapAtDisplayRefresh();  // frames follow at the display's pace, not as fast as possible
    hidePointer();
    glutPostRedisplay();
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    loadProjection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    g_game->frame(1.0f);  // dt is one frame: every speed is per frame
    glutPostRedisplay();
}

void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
