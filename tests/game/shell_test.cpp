// The camera's step and the input callbacks.
#include <GL/freeglut.h>

#include <utility>

#include "game_test_support.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "shell/game.h"
#include "shell/input.h"
#include "shell/window.h"

namespace {

// A step is clamped to 15 per axis, not slowed by pitch, damped by the speed over all three axes; at speed 0 the last push acts.
TEST(CameraStep, StepDampsClampsAimsAndBoundsTheAngles)
{
    Camera camera;
    camera.velocity = {30.0f, 0.0f, 3.5f};
    camera.step(1.0f);
    EXPECT_FLOAT_EQ(camera.position.x, 3.5f);
    EXPECT_FLOAT_EQ(camera.target.x, 4.5f);
    EXPECT_TRUE(camera.position.z == 15.0f && camera.velocity.x == -15.0f && camera.velocity.z == -1.75f);
    Camera turned;  // forward is +z
    turned.yaw = 90.0f;
    turned.pitch = 30.0f;
    turned.velocity = {0.0f, 20.0f, 20.0f};  // a speed that subtracted y or z would be 0
    turned.step(1.0f);
    EXPECT_FLOAT_EQ(turned.position.z, 15.0f);
    EXPECT_FLOAT_EQ(turned.target.y, 0.5f);
    EXPECT_FLOAT_EQ(turned.target.z, 15.0f + 0.8660254f);
    EXPECT_TRUE(turned.velocity.y == -10.0f && turned.velocity.z == -10.0f);
    turned.velocity = {};
    turned.step(1.0f);
    EXPECT_TRUE(turned.velocity.y == -30.0f && turned.velocity.z == -30.0f);

    // Yaw from 360 or -360 on becomes 0 (not 360 less); pitch is clamped to -60 ... 60.
    const float angles[][4] = {{359.9f, 60.0f, 359.9f, 60.0f}, {360.0f, 75.0f, 0.0f, 60.0f}, {-360.0f, -61.0f, 0.0f, -60.0f}};
    for (const auto& row : angles) {
        camera.yaw = row[0];
        camera.pitch = row[1];
        camera.step(1.0f);
        EXPECT_TRUE(camera.yaw == row[2] && camera.pitch == row[3]) << row[0] << ", " << row[1];
    }
}

int g_warps = 0;

// Each key adds to the velocity the rows above left; a turn is the pointer's offset from the centre; the warp's motion does not warp.
TEST(InputCallbacks, KeysPushMotionTurnsAndTheLeftButtonThrows)
{
    TempWorkingDir noData;  // the game builds without its data files
    captureStdout([] { g_game = new Game; });
    g_mouseSensitivity = kMouseSensitivity;
    g_inputHooks = {[] {}, [](int x, int y) { g_warps += (x == 400 && y == 300) ? 1 : 1000; },
                    [](int) { ADD_FAILURE() << "exit requested"; }};
    const Camera& camera = *g_game->camera;
    const struct { int key; bool special; float x, z; } table[] = {
        {'w', false, 0.0f, 3.5f}, {'W', false, 0.0f, 7.0f}, {'s', false, 0.0f, 5.0f}, {'S', false, 0.0f, 3.0f},
        {'a', false, -2.0f, 3.0f}, {'A', false, -4.0f, 3.0f}, {'d', false, -2.0f, 3.0f}, {'D', false, 0.0f, 3.0f},
        {'q', false, 0.0f, 3.0f}, {GLUT_KEY_UP, true, 0.0f, 6.5f}, {GLUT_KEY_DOWN, true, 0.0f, 4.5f},
        {GLUT_KEY_LEFT, true, -2.0f, 4.5f}, {GLUT_KEY_RIGHT, true, 0.0f, 4.5f}, {GLUT_KEY_F1, true, 0.0f, 4.5f}};
    for (const auto& row : table) {
        row.special ? specialKeys(row.key, 0, 0) : keyboard(static_cast<unsigned char>(row.key), 0, 0);
        EXPECT_EQ(camera.velocity.x, row.x) << row.key;
        EXPECT_EQ(camera.velocity.z, row.z) << row.key;
    }

    const auto moves = [] { for (auto [x, y] : {std::pair{410, 300}, {400, 300}, {400, 290}, {200, 100}}) passiveMotion(x, y); };
    EXPECT_EQ(captureStdout(moves), "Mouse motion\nMouse motion\nMouse motion\nMouse motion\n");
    EXPECT_EQ(camera.yaw, 15.0f - 300.0f);
    EXPECT_EQ(camera.pitch, 15.0f + 300.0f);  // not limited until the next update
    EXPECT_EQ(g_warps, 2);

    for (auto [button, state] : {std::pair{GLUT_LEFT_BUTTON, GLUT_DOWN}, {GLUT_LEFT_BUTTON, GLUT_DOWN},
                                 {GLUT_LEFT_BUTTON, GLUT_UP}, {GLUT_RIGHT_BUTTON, GLUT_DOWN}}) mouseButton(button, state, 0, 0);
    EXPECT_EQ(g_game->world->snowballCount(), 2);
}

}  // namespace
