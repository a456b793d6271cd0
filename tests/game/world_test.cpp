// The world's scene, the eye's ground step, snowball retirement, and why the
// field's and the snowballs' passes may be skipped.
#include <vector>

#include "game_test_support.h"
#include "scene/enemy.h"
#include "scene/light.h"
#include "scene/player.h"
#include "scene/snowball.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "terrain/field.h"

using FrostfeldTest::captureStdout;

namespace {

class WorldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        captureStdout([&] { world = new World(&camera); });
    }
    void TearDown() override { delete world->field; }

    Snowball* throwFrom(Vec3 eye, float yaw)
    {
        camera.position = eye;
        camera.yaw = yaw;
        world->player->throwSnowball();
        return static_cast<Snowball*>(world->field->firstChild->prev);
    }

    std::vector<Node*> children() const
    {
        std::vector<Node*> nodes;
        Node* node = world->field->firstChild;
        do {
            nodes.push_back(node);
            node = node->next;
        } while (node != world->field->firstChild);
        return nodes;
    }

    FrostfeldTest::TempWorkingDir noData;
    Camera camera;
    World* world = nullptr;
};

TEST_F(WorldTest, FieldHoldsThePlayerThenTheEnemy)
{
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy}));
    EXPECT_EQ(world->player->camera, &camera);
    EXPECT_EQ(world->player->field, world->field);
    EXPECT_EQ(world->enemy->camera, &camera);
    EXPECT_EQ(world->enemy->field, world->field);
    EXPECT_EQ(world->field->parent, nullptr);
    EXPECT_FALSE(world->running);
}

TEST_F(WorldTest, LightIsAWhitePointLightAtZeroZeroTen)
{
    const Light& light = *world->light;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(light.ambient[k], 1.0f);
        EXPECT_EQ(light.diffuse[k], 1.0f);
        EXPECT_EQ(light.specular[k], 1.0f);
    }
    EXPECT_EQ(light.position[0], 0.0f);
    EXPECT_EQ(light.position[1], 0.0f);
    EXPECT_EQ(light.position[2], 10.0f);
    EXPECT_EQ(light.position[3], 1.0f);
}

TEST_F(WorldTest, UpdateWalkPutsPlayerAndEnemyAtTheEye)
{
    camera.position = {500.0f, 60.0f, 700.0f};
    world->field->updateTree();
    EXPECT_EQ(world->player->position.x, 500.0f);
    EXPECT_EQ(world->enemy->position.z, 700.0f);
    EXPECT_EQ(world->enemy->modelPosition.y, 140.0f);
}

TEST_F(WorldTest, EyeTakesTheGroundWhereItWasThenStaysInsideTheMargins)
{
    struct Case {
        float x, z, expectedX, expectedZ;
    };
    for (const Case& c : {Case{10.0f, 1600.0f, 80.0f, 1520.0f}, Case{80.0f, 1520.0f, 80.0f, 1520.0f},
                          Case{0.0f, 0.0f, 80.0f, 80.0f}, Case{700.5f, 300.0f, 700.5f, 300.0f}}) {
        camera.position = {c.x, -99.0f, c.z};
        world->placeEyeOnGround();
        EXPECT_EQ(camera.position.x, c.expectedX);
        EXPECT_EQ(camera.position.z, c.expectedZ);
        EXPECT_EQ(camera.position.y, world->field->heightAt(c.x, c.z) + 7.0f);
    }
}

// In the world's tree only the player's and the enemy's onCollision react, and only
// to the field. Running every generic pass that the field and the snowballs would
// run, over a field crowded with snowballs around the eye, must change nothing.
TEST_F(WorldTest, TheSkippedPassesHaveNoEffect)
{
    camera.position = {80.0f, 30.0f, 80.0f};
    world->field->updateTree();
    for (int k = 0; k < 6; ++k) {
        throwFrom({80.0f + 0.3f * k, 30.0f, 80.0f}, 0.0f);
    }
    world->player->position.y = -5.0f;  // would be lifted by a contact with the field
    world->enemy->modelPosition.y = -5.0f;

    world->field->Object::update();
    for (Node* node : children()) {
        if (auto* snowball = dynamic_cast<Snowball*>(node)) snowball->Object::update();
    }
    EXPECT_EQ(world->player->position.y, -5.0f);
    EXPECT_EQ(world->enemy->modelPosition.y, -5.0f);
}

TEST_F(WorldTest, SnowballsRetireOnlyWhenOutOfSightAndKeepTheRestInOrder)
{
    Snowball* nearby = throwFrom({800.0f, 50.0f, 800.0f}, 0.0f);
    Snowball* far = throwFrom({800.0f, 50.0f, 800.0f}, 0.0f);
    Snowball* stopped = throwFrom({800.0f, 50.0f, 800.0f}, 0.0f);
    Snowball* justInside = throwFrom({800.0f, 50.0f, 800.0f}, 0.0f);
    far->flightPosition.x += 263.1f;           // beyond the view's farthest corner
    justInside->flightPosition.x += 262.9f;  // may still show in a corner of the view
    stopped->inactive = true;

    world->retireSnowballs();
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy, nearby, justInside}));
    EXPECT_EQ(world->snowballCount(), 2);

    camera.position.x -= 100.0f;  // walking away leaves them behind too
    world->retireSnowballs();
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy, nearby}));
}

TEST_F(WorldTest, AFlyingSnowballRetiresAfterItsLastVisibleFrame)
{
    camera.position = {800.0f, 50.0f, 800.0f};
    Snowball* snowball = throwFrom(camera.position, 0.0f);
    int frames = 0;
    while (world->snowballCount() == 1 && frames < 1000) {
        snowball->integrate(0.005f);
        world->retireSnowballs();
        ++frames;
    }
    EXPECT_EQ(world->snowballCount(), 0);
    EXPECT_EQ(frames, 439);  // 0.6 units a frame until 262.39 + 0.6375 is passed
    EXPECT_EQ(children(), (std::vector<Node*>{world->player, world->enemy}));
}

}  // namespace
