// The collision pass: contact rule and the order of calls, revisits included.
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "game_test_support.h"

using FrostfeldTest::Recording;
using FrostfeldTest::RecordingObject;
using Calls = std::vector<std::pair<std::string, std::string>>;

namespace {

struct ContactCase {
    const char* label;
    Vec3 other;
    float otherRadius;
    bool contact;
};

class CollisionContact : public ::testing::TestWithParam<ContactCase> {};

TEST_P(CollisionContact, CallsOnCollisionOnlyWhenTheSpheresMeet)
{
    const ContactCase& c = GetParam();
    Recording recording;
    RecordingObject a("a", &recording, {0.0f, 0.0f, 0.0f}, 1.0f);
    RecordingObject b("b", &recording, c.other, c.otherRadius);
    a.collideWith(&b);
    EXPECT_EQ(recording.collisions, (c.contact ? Calls{{"a", "b"}} : Calls{})) << c.label;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Spheres, CollisionContact,
    ::testing::Values(ContactCase{"overlapping", {1.0f, 0.0f, 0.0f}, 1.0f, true},
                      ContactCase{"touching exactly", {0.0f, 3.0f, 4.0f}, 4.0f, true},
                      ContactCase{"just apart", {0.0f, 3.0f, 4.0f}, 3.999999f, false},
                      ContactCase{"far apart", {10.0f, 0.0f, 0.0f}, 1.0f, false},
                      ContactCase{"NaN position", {kNaN, 0.0f, 0.0f}, 100.0f, false},
                      ContactCase{"NaN radius", {0.0f, 0.0f, 0.0f}, kNaN, false}));

TEST(Collision, AnObjectNeverMeetsItself)
{
    Recording recording;
    RecordingObject a("a", &recording);
    a.collideWith(&a);
    a.Object::update();
    EXPECT_TRUE(recording.collisions.empty());
}

TEST(Collision, DefaultUpdateRunsThePassFromTheRoot)
{
    Recording recording;
    RecordingObject root("root", &recording, {0.0f, 0.0f, 0.0f}, 100.0f);
    auto* child = new RecordingObject("child", &recording, {0.0f, 0.0f, 0.0f}, 1.0f);
    child->setParent(&root);
    child->Object::update();
    EXPECT_EQ(recording.collisions, (Calls{{"child", "root"}}));
}

// A root R covering everything, with children P and Q at one spot and S far off.
// A contact of R with a child re-runs the pass of R's children against it, so P
// meets Q twice: once in R's pass against P's reach, once against Q.
TEST(Collision, ContactsRevisitChildrenAndLaterSiblings)
{
    Recording recording;
    RecordingObject root("R", &recording, {0.0f, 0.0f, 0.0f}, 100.0f);
    for (const auto& [name, x] : {std::pair<const char*, float>{"P", 0.0f}, {"Q", 0.0f}, {"S", 50.0f}}) {
        (new RecordingObject(name, &recording, {x, 0.0f, 0.0f}, 1.0f))->setParent(&root);
    }
    root.Object::update();
    EXPECT_EQ(recording.collisions,
              (Calls{{"R", "P"}, {"P", "Q"}, {"R", "Q"}, {"P", "Q"}, {"R", "S"}}));
}

TEST(Collision, AContactHandsTheOtherOnToLaterSiblings)
{
    Recording recording;
    RecordingObject root("R", &recording, {0.0f, 0.0f, 0.0f}, 1.0f);
    auto* a = new RecordingObject("A", &recording, {0.5f, 0.0f, 0.0f}, 1.0f);
    auto* b = new RecordingObject("B", &recording, {1.0f, 0.0f, 0.0f}, 1.0f);
    a->setParent(&root);
    b->setParent(&root);
    // A meets R, so B runs its pass against R (meeting R, then A below it); then A's
    // own pass goes on below R and meets B. Only the passing object's onCollision runs.
    a->collideWith(&root);
    EXPECT_EQ(recording.collisions, (Calls{{"A", "R"}, {"B", "R"}, {"B", "A"}, {"A", "B"}}));
}

}  // namespace
