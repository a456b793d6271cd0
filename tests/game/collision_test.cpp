// The collision pass: the contact rule and the order of calls, revisits included.
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "game_test_support.h"

using FrostfeldTest::Recording;
using FrostfeldTest::RecordingObject;
using Calls = std::vector<std::pair<std::string, std::string>>;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Collision, SpheresMeetWhenTheyOverlapOrTouch)
{
    struct Case {
        Vec3 other;
        float radius;
        bool contact;
    };
    for (const Case& c : {Case{{1.0f, 0.0f, 0.0f}, 1.0f, true}, Case{{0.0f, 3.0f, 4.0f}, 4.0f, true},
                          Case{{0.0f, 3.0f, 4.0f}, 3.999999f, false}, Case{{kNaN, 0.0f, 0.0f}, 100.0f, false},
                          Case{{0.0f, 0.0f, 0.0f}, kNaN, false}}) {
        Recording recording;
        RecordingObject a("a", &recording, {0.0f, 0.0f, 0.0f}, 1.0f);
        RecordingObject b("b", &recording, c.other, c.radius);
        a.collideWith(&b);
        EXPECT_EQ(recording.collisions, (c.contact ? Calls{{"a", "b"}} : Calls{})) << c.radius;
    }
}

TEST(Collision, AnObjectNeverMeetsItselfAndUpdateStartsAtTheRoot)
{
    Recording recording;
    RecordingObject root("root", &recording, {0.0f, 0.0f, 0.0f}, 100.0f);
    root.Object::update();
    EXPECT_TRUE(recording.collisions.empty());
    auto* child = new RecordingObject("child", &recording);
    child->setParent(&root);
    child->Object::update();
    EXPECT_EQ(recording.collisions, (Calls{{"child", "root"}}));
}

// Root R covers everything; P and Q share a spot, S is far off. Each contact of R
// re-runs the pass of R's children against that node, so P meets Q twice.
TEST(Collision, ContactsRevisitChildrenAndLaterSiblings)
{
    Recording recording;
    RecordingObject root("R", &recording, {0.0f, 0.0f, 0.0f}, 100.0f);
    for (const auto& [name, x] : {std::pair<const char*, float>{"P", 0.0f}, {"Q", 0.0f}, {"S", 50.0f}}) {
        (new RecordingObject(name, &recording, {x, 0.0f, 0.0f}, 1.0f))->setParent(&root);
    }
    root.Object::update();
    EXPECT_EQ(recording.collisions, (Calls{{"R", "P"}, {"P", "Q"}, {"R", "Q"}, {"P", "Q"}, {"R", "S"}}));
}

TEST(Collision, AContactHandsTheOtherOnToLaterSiblings)
{
    Recording recording;
    RecordingObject root("R", &recording, {0.0f, 0.0f, 0.0f}, 1.0f);
    auto* a = new RecordingObject("A", &recording, {0.5f, 0.0f, 0.0f}, 1.0f);
    a->setParent(&root);
    (new RecordingObject("B", &recording, {1.0f, 0.0f, 0.0f}, 1.0f))->setParent(&root);
    // A meets R, so B runs its pass against R (meeting R, then A below it); then A's
    // own pass goes on below R and meets B. Only the passing object's onCollision runs.
    a->collideWith(&root);
    EXPECT_EQ(recording.collisions, (Calls{{"A", "R"}, {"B", "R"}, {"B", "A"}, {"A", "B"}}));
}

}  // namespace
