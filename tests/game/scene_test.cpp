// The scene tree, the eye on the ground and the snowballs' retirement.
#include <string>
#include <vector>

#include "game_test_support.h"
#include "scene/enemy.h"
#include "scene/snowball.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "terrain/field.h"

namespace {

using Names = std::vector<std::string>;

// Writes its name into the log on every update, draw, contact and destruction.
struct Named : Object {
    Named(std::string name, Names* log, Node* parent = nullptr) : name(std::move(name)), log(log) { if (parent) setParent(parent); }
    ~Named() override { log->push_back("~" + name); }
    void draw(Camera*) override { log->push_back("draw " + name); }
    void update() override { log->push_back(name); }
    void onCollision(Object* other) override { log->push_back(name + " meets " + static_cast<Named*>(other)->name); }
    std::string name;
    Names* log;
};

// Children in ring order (the back links are what the next append and the walks use).
Names childrenOf(Node* node)
{
    Names names;
    for (Node* child = node->firstChild; child != nullptr; child = child->next == node->firstChild ? nullptr : child->next)
        names.push_back(static_cast<Named*>(child)->name);
    return names;
}

// Where A meets a node, A's children and later siblings meet it too. All spheres touch here; none meets itself.
TEST(SceneTree, AppendsLastMovesWholeSubtreesWalksPreOrderAndCollidesOnwards)
{
    Names log;
    Named root("root", &log);
    auto* a = new Named("a", &log, &root);
    new Named("a1", &log, a);
    auto* b = new Named("b", &log, &root);
    a->collideWith(&root);
    EXPECT_EQ(log, (Names{"a meets root", "a1 meets root", "a1 meets a", "a1 meets b", "b meets root", "b meets a",
                          "b meets a1", "a meets a1", "b meets a1", "a meets b", "a1 meets b"}));
    log.clear();
    new Named("c", &log, &root);
    a->setParent(&root);  // the same parent again: to the end, with its child
    EXPECT_EQ(childrenOf(&root), (Names{"b", "c", "a"}));
    root.updateTree();
    b->updateTree();  // from a child: its later siblings only
    root.drawTree(nullptr);  // no GL context: the matrix calls do nothing
    EXPECT_EQ(log, (Names{"root", "b", "c", "a", "a1", "b", "c", "a", "a1", "draw root", "draw b", "draw c",
                          "draw a", "draw a1"}));

    Named other("other", &log);
    b->setParent(&other);
    EXPECT_EQ(childrenOf(&root), (Names{"c", "a"}));
    log.clear();
    delete b;  // the only child
    EXPECT_EQ(other.firstChild, nullptr);
    new Named("d", &log, &root);
    delete a;  // in the middle, with its child
    delete root.firstChild;  // the first: d takes its place
    EXPECT_EQ(childrenOf(&root), (Names{"d"}));
    EXPECT_EQ(log, (Names{"~b", "~a", "~a1", "~c"}));
}

// The eye is put 7 above the ground where it was, then kept inside the margins. Snowballs retire out of sight:
// beyond the view's farthest corner (200 x 1.3119284 = 262.39) plus the radius 0.6375, in any direction.
TEST(World, KeepsTheEyeOnTheGroundAndRetiresOnlySnowballsOutOfSight)
{
    TempWorkingDir noData;
    Camera camera;
    World* world = nullptr;
    EXPECT_EQ(captureStdout([&] { world = new World(&camera); }), "Could not open bitmap\nFile not found: texturen/female.iv\n");
    const float table[][4] = {{10.0f, 1600.0f, 80.0f, 1520.0f}, {700.5f, 1519.0f, 700.5f, 1519.0f}};  // x, z, then x, z after
    for (const auto& row : table) {
        camera.position = {row[0], -99.0f, row[1]};
        world->placeEyeOnGround();
        EXPECT_TRUE(camera.position.x == row[2] && camera.position.z == row[3]) << row[0] << ", " << row[1];
        EXPECT_EQ(camera.position.y, world->field->heightAt(row[0], row[1]) + 7.0f);
    }

    const auto throwOne = [world] { world->player->throwSnowball(); return static_cast<Snowball*>(world->field->firstChild->prev); };
    const Vec3 eye = camera.position = {800.0f, 50.0f, 800.0f};
    Snowball* nearby = throwOne();
    Snowball* justInside = throwOne();
    justInside->flightPosition.x += 262.9f;
    for (const Vec3 beyond : {Vec3{263.1f, 0.0f, 0.0f}, Vec3{0.0f, -263.1f, 0.0f}, Vec3{0.0f, 0.0f, 263.1f}})
        throwOne()->flightPosition = {eye.x + beyond.x, eye.y + beyond.y, eye.z + beyond.z};
    world->retireSnowballs();
    EXPECT_EQ(world->snowballCount(), 2);
    EXPECT_TRUE(world->enemy->next == nearby && nearby->next == justInside && justInside->next == world->player);
    delete world->field;
}

}  // namespace
