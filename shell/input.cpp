#include "shell/input.h"

#include <cstdlib>
#include <iostream>

#include <GL/freeglut.h>

#include "scene/player.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "shell/game.h"
#include "shell/window.h"

namespace {

const float kForwardPush = 3.5f;
const float kBackwardPush = 2.0f;
const float kSidewaysPush = 2.0f;
const int kPointerCentreX = 400;  // the 800 x 600 window's centre, even after a resize
const int kPointerCentreY = 300;
const unsigned char kEscape = 27;

}  // namespace

InputHooks g_inputHooks = {glutPostRedisplay, glutWarpPointer, std::exit};
bool g_warpPending = true;

void keyboard(unsigned char key, int, int)
{
    if (key == kEscape) {
        g_inputHooks.exitProcess(0);
        return;
    }
    Vec3& velocity = g_game->camera->velocity;
    switch (key) {
    case 'w': case 'W': velocity.z += kForwardPush; break;
    case 's': case 'S': velocity.z -= kBackwardPush; break;
    case 'a': case 'A': velocity.x -= kSidewaysPush; break;
    case 'd': case 'D': velocity.x += kSidewaysPush; break;
    default: break;
    }
}

void specialKeys(int key, int, int)
{
    Vec3& velocity = g_game->camera->velocity;
    switch (key) {
    case GLUT_KEY_UP: velocity.z += kForwardPush; break;
    case GLUT_KEY_DOWN: velocity.z -= kBackwardPush; break;
    case GLUT_KEY_LEFT: velocity.x -= kSidewaysPush; break;
    case GLUT_KEY_RIGHT: velocity.x += kSidewaysPush; break;
    default: break;
    }
    g_inputHooks.postRedisplay();
}

void mouseButton(int button, int state, int, int)
{
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
        g_game->world->player->throwSnowball();
    }
    g_inputHooks.postRedisplay();
}

void passiveMotion(int x, int y)
{
    std::cout << "Mouse motion" << std::endl;
    const float dx = static_cast<float>(x - kPointerCentreX);
    const float dy = static_cast<float>(y - kPointerCentreY);
    Camera* camera = g_game->camera;
    camera->yaw += g_mouseSensitivity * dx;
    camera->pitch -= g_mouseSensitivity * dy;
    if (g_warpPending) {
        g_inputHooks.warpPointer(kPointerCentreX, kPointerCentreY);
        g_warpPending = false;
    } else {
        g_warpPending = true;
    }
    g_inputHooks.postRedisplay();
}
