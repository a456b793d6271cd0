// The input callbacks, called directly, with the window-system calls recorded.
#include <string>

#include <GL/freeglut.h>

#include "game_test_support.h"
#include "scene/player.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "shell/game.h"
#include "shell/input.h"
#include "shell/window.h"

namespace {

int g_redisplays = 0;
int g_warps = 0;
int g_lastWarpX = -1;
int g_lastWarpY = -1;

void countRedisplay() { ++g_redisplays; }
void recordWarp(int x, int y)
{
    ++g_warps;
    g_lastWarpX = x;
    g_lastWarpY = y;
}
void refuseExit(int) { ADD_FAILURE() << "exit requested"; }

class InputCallbacks : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        FrostfeldTest::TempWorkingDir noData;  // the game builds without its data files
        FrostfeldTest::captureStdout([] { g_game = new Game; });
        g_mouseSensitivity = kMouseSensitivity;
    }

    void SetUp() override
    {
        savedHooks_ = g_inputHooks;
        g_inputHooks = {countRedisplay, recordWarp, refuseExit};
        g_redisplays = 0;
        g_warps = 0;
        g_warpPending = true;
        *g_game->camera = Camera();
    }

    void TearDown() override { g_inputHooks = savedHooks_; }

    Vec3& velocity() { return g_game->camera->velocity; }

private:
    InputHooks savedHooks_{};
};

struct KeyCase {
    unsigned char key;
    float x, z;
};

class KeyboardPush : public InputCallbacks, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyboardPush, AddsToTheVelocityWithoutRedisplay)
{
    keyboard(GetParam().key, 0, 0);
    EXPECT_EQ(velocity().x, GetParam().x);
    EXPECT_EQ(velocity().y, 0.0f);
    EXPECT_EQ(velocity().z, GetParam().z);
    EXPECT_EQ(g_redisplays, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardPush,
                         ::testing::Values(KeyCase{'w', 0.0f, 3.5f}, KeyCase{'W', 0.0f, 3.5f},
                                           KeyCase{'s', 0.0f, -2.0f}, KeyCase{'S', 0.0f, -2.0f},
                                           KeyCase{'a', -2.0f, 0.0f}, KeyCase{'A', -2.0f, 0.0f},
                                           KeyCase{'d', 2.0f, 0.0f}, KeyCase{'D', 2.0f, 0.0f},
                                           KeyCase{'q', 0.0f, 0.0f}, KeyCase{' ', 0.0f, 0.0f}));

struct SpecialCase {
    int key;
    float x, z;
};

class SpecialKeyPush : public InputCallbacks, public ::testing::WithParamInterface<SpecialCase> {};

TEST_P(SpecialKeyPush, AddsToTheVelocityAndAsksForRedisplay)
{
    specialKeys(GetParam().key, 0, 0);
    EXPECT_EQ(velocity().x, GetParam().x);
    EXPECT_EQ(velocity().z, GetParam().z);
    EXPECT_EQ(g_redisplays, 1);
}

INSTANTIATE_TEST_SUITE_P(Arrows, SpecialKeyPush,
                         ::testing::Values(SpecialCase{GLUT_KEY_UP, 0.0f, 3.5f},
                                           SpecialCase{GLUT_KEY_DOWN, 0.0f, -2.0f},
                                           SpecialCase{GLUT_KEY_LEFT, -2.0f, 0.0f},
                                           SpecialCase{GLUT_KEY_RIGHT, 2.0f, 0.0f},
                                           SpecialCase{GLUT_KEY_F1, 0.0f, 0.0f}));

TEST_F(InputCallbacks, OppositeKeysBeforeOneFrameCancel)
{
    keyboard('a', 0, 0);
    keyboard('d', 0, 0);
    keyboard('w', 0, 0);
    keyboard('w', 0, 0);  // auto-repeat adds again
    EXPECT_EQ(velocity().x, 0.0f);
    EXPECT_EQ(velocity().z, 7.0f);
}

TEST_F(InputCallbacks, PointerOffsetTurnsTheCameraAndPrintsEveryEvent)
{
    std::string out = FrostfeldTest::captureStdout([] {
        passiveMotion(410, 300);
        passiveMotion(400, 300);  // the warp's own event: no turn
        passiveMotion(400, 290);
    });
    EXPECT_EQ(out, "Mouse motion\nMouse motion\nMouse motion\n");
    EXPECT_EQ(g_game->camera->yaw, 15.0f);
    EXPECT_EQ(g_game->camera->pitch, 15.0f);
    EXPECT_EQ(g_redisplays, 3);
}

TEST_F(InputCallbacks, WarpHappensOnEveryOtherMotionEvent)
{
    FrostfeldTest::captureStdout([] {
        passiveMotion(500, 100);
        EXPECT_EQ(g_warps, 1);
        EXPECT_FALSE(g_warpPending);
        passiveMotion(400, 300);
        EXPECT_EQ(g_warps, 1);
        EXPECT_TRUE(g_warpPending);
        passiveMotion(300, 300);
    });
    EXPECT_EQ(g_warps, 2);
    EXPECT_EQ(g_lastWarpX, 400);
    EXPECT_EQ(g_lastWarpY, 300);
    EXPECT_EQ(g_game->camera->yaw, 0.0f);     // +150 then -150
    EXPECT_EQ(g_game->camera->pitch, 300.0f);  // not limited until the next update
}

TEST_F(InputCallbacks, LeftButtonDownThrowsOneSnowball)
{
    World* world = g_game->world;
    const int before = world->snowballCount();
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(world->snowballCount(), before + 1);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    mouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    mouseButton(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(world->snowballCount(), before + 1);
    EXPECT_EQ(g_redisplays, 4);
}

}  // namespace
