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

void countRedisplay() { ++g_redisplays; }
void recordWarp(int x, int y)
{
    ++g_warps;
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
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
        saved_ = g_inputHooks;
        g_inputHooks = {countRedisplay, recordWarp, refuseExit};
        g_redisplays = g_warps = 0;
        g_warpPending = true;
        *g_game->camera = Camera();
    }
    void TearDown() override { g_inputHooks = saved_; }

    const Vec3& velocity() const { return g_game->camera->velocity; }
    InputHooks saved_{};
};

TEST_F(InputCallbacks, KeysPushTheVelocity)
{
    const struct {
        unsigned char key;
        float x, z;
    } table[] = {{'w', 0.0f, 3.5f}, {'W', 0.0f, 7.0f}, {'s', 0.0f, 5.0f}, {'S', 0.0f, 3.0f},
                 {'a', -2.0f, 3.0f}, {'A', -4.0f, 3.0f}, {'d', -2.0f, 3.0f}, {'D', 0.0f, 3.0f},
                 {'q', 0.0f, 3.0f}};
    for (const auto& row : table) {
        keyboard(row.key, 0, 0);
        EXPECT_EQ(velocity().x, row.x) << row.key;
        EXPECT_EQ(velocity().z, row.z) << row.key;
    }
    EXPECT_EQ(velocity().y, 0.0f);
    EXPECT_EQ(g_redisplays, 0);
}

TEST_F(InputCallbacks, ArrowsPushTheVelocityAndAskForRedisplay)
{
    const struct {
        int key;
        float x, z;
    } table[] = {{GLUT_KEY_UP, 0.0f, 3.5f}, {GLUT_KEY_DOWN, 0.0f, 1.5f}, {GLUT_KEY_LEFT, -2.0f, 1.5f},
                 {GLUT_KEY_RIGHT, 0.0f, 1.5f}, {GLUT_KEY_F1, 0.0f, 1.5f}};
    for (const auto& row : table) {
        specialKeys(row.key, 0, 0);
        EXPECT_EQ(velocity().x, row.x) << row.key;
        EXPECT_EQ(velocity().z, row.z) << row.key;
    }
    EXPECT_EQ(g_redisplays, 5);
}

TEST_F(InputCallbacks, PointerOffsetFromTheCentreTurnsAndEveryOtherEventWarps)
{
    const std::string out = FrostfeldTest::captureStdout([] {
        passiveMotion(410, 300);
        passiveMotion(400, 300);  // the warp's own event: no turn, no warp
        passiveMotion(400, 290);
        passiveMotion(200, 100);
    });
    EXPECT_EQ(out, "Mouse motion\nMouse motion\nMouse motion\nMouse motion\n");
    EXPECT_EQ(g_game->camera->yaw, 15.0f - 300.0f);
    EXPECT_EQ(g_game->camera->pitch, 15.0f + 300.0f);  // not limited until the next update
    EXPECT_EQ(g_warps, 2);
    EXPECT_TRUE(g_warpPending);
    EXPECT_EQ(g_redisplays, 4);
}

TEST_F(InputCallbacks, OnlyTheLeftButtonDownThrows)
{
    World* world = g_game->world;
    const int before = world->snowballCount();
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    mouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    EXPECT_EQ(world->snowballCount(), before + 1);
    EXPECT_EQ(g_redisplays, 3);
}

}  // namespace
