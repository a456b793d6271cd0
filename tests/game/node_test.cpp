// The scene tree's links, walks and destruction.
#include <string>
#include <vector>

#include "game_test_support.h"

using FrostfeldTest::Recording;
using FrostfeldTest::RecordingObject;

namespace {

// Names of a node's children in ring order, checked to close in both directions.
std::vector<std::string> childrenOf(Node* node)
{
    std::vector<std::string> names;
    Node* child = node->firstChild;
    if (child == nullptr) {
        return names;
    }
    do {
        EXPECT_EQ(child->next->prev, child);
        EXPECT_EQ(child->parent, node);
        names.push_back(static_cast<RecordingObject*>(child)->name);
        child = child->next;
    } while (child != node->firstChild);
    return names;
}

class SceneTree : public ::testing::Test {
protected:
    RecordingObject* make(const std::string& name, Node* parent = nullptr)
    {
        auto* object = new RecordingObject(name, &recording);
        if (parent != nullptr) {
            object->setParent(parent);
        }
        return object;
    }
    Recording recording;
};

TEST_F(SceneTree, NewNodeIsAloneAndItsOwnRoot)
{
    RecordingObject node("n", &recording);
    EXPECT_EQ(node.parent, nullptr);
    EXPECT_EQ(node.firstChild, nullptr);
    EXPECT_EQ(node.prev, &node);
    EXPECT_EQ(node.next, &node);
    EXPECT_EQ(node.findRoot(), &node);
}

TEST_F(SceneTree, SetParentAppendsAsLastChild)
{
    RecordingObject root("root", &recording);
    make("a", &root);
    make("b", &root);
    RecordingObject* c = make("c", &root);
    EXPECT_EQ(childrenOf(&root), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(root.firstChild->prev, c);
    EXPECT_EQ(c->findRoot(), &root);

    root.updateTree();
    EXPECT_EQ(recording.updates, (std::vector<std::string>{"root", "a", "b", "c"}));
}

TEST_F(SceneTree, SettingTheSameParentAgainMovesToTheEnd)
{
    RecordingObject root("root", &recording);
    RecordingObject* a = make("a", &root);
    make("b", &root);
    a->setParent(&root);
    EXPECT_EQ(childrenOf(&root), (std::vector<std::string>{"b", "a"}));
}

TEST_F(SceneTree, MovingASubtreeKeepsItsChildrenAndEmptiesTheOldParent)
{
    RecordingObject oldParent("old", &recording);
    RecordingObject newParent("new", &recording);
    make("x", &newParent);
    RecordingObject* moved = make("moved", &oldParent);
    make("grandchild", moved);

    moved->setParent(&newParent);
    EXPECT_EQ(oldParent.firstChild, nullptr);
    EXPECT_EQ(childrenOf(&newParent), (std::vector<std::string>{"x", "moved"}));
    EXPECT_EQ(childrenOf(moved), (std::vector<std::string>{"grandchild"}));
    EXPECT_EQ(static_cast<Node*>(moved->firstChild)->findRoot(), &newParent);
}

TEST_F(SceneTree, DestroyingChildrenKeepsTheRingClosed)
{
    RecordingObject root("root", &recording);
    RecordingObject* a = make("a", &root);
    RecordingObject* b = make("b", &root);
    make("c", &root);
    RecordingObject* d = make("d", &root);

    delete b;  // a middle child
    EXPECT_EQ(childrenOf(&root), (std::vector<std::string>{"a", "c", "d"}));
    delete a;  // the first: the second takes its place
    EXPECT_EQ(childrenOf(&root), (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(root.firstChild->prev, d);
    delete d;
    delete root.firstChild;  // the only child
    EXPECT_EQ(root.firstChild, nullptr);
    EXPECT_EQ(recording.destructions, (std::vector<std::string>{"b", "a", "d", "c"}));
}

TEST_F(SceneTree, DestroyingANodeFreesEveryDescendantOnce)
{
    RecordingObject* root = make("root");
    RecordingObject* a = make("a", root);
    make("a1", a);
    make("a2", a);
    RecordingObject* b = make("b", root);
    make("b1", b);

    delete root;
    // The node's own destructor body runs first, then its Node part frees the children in ring order.
    EXPECT_EQ(recording.destructions,
              (std::vector<std::string>{"root", "a", "a1", "a2", "b", "b1"}));
}

TEST_F(SceneTree, WalksArePreOrderAndCoverOnlyTheStartsReach)
{
    RecordingObject root("root", &recording);
    RecordingObject* a = make("a", &root);
    make("a1", a);
    RecordingObject* b = make("b", &root);
    make("b1", b);
    make("c", &root);

    root.updateTree();
    root.drawTree(nullptr);
    const std::vector<std::string> all{"root", "a", "a1", "b", "b1", "c"};
    EXPECT_EQ(recording.updates, all);
    EXPECT_EQ(recording.draws, all);

    // Started on a child, a walk covers it, its later siblings and their descendants.
    recording.updates.clear();
    b->updateTree();
    EXPECT_EQ(recording.updates, (std::vector<std::string>{"b", "b1", "c"}));
}

TEST(ObjectIntegrate, MovesWithTheVelocityFromBeforeTheStep)
{
    Object object;
    object.position = {1.0f, 2.0f, 3.0f};
    object.velocity = {0.5f, -1.0f, 2.0f};
    object.acceleration = {1.0f, 1.0f, -4.0f};
    object.integrate(2.0f);
    EXPECT_FLOAT_EQ(object.position.x, 2.0f);
    EXPECT_FLOAT_EQ(object.position.y, 0.0f);
    EXPECT_FLOAT_EQ(object.position.z, 7.0f);
    EXPECT_FLOAT_EQ(object.velocity.x, 2.5f);
    EXPECT_FLOAT_EQ(object.velocity.y, 1.0f);
    EXPECT_FLOAT_EQ(object.velocity.z, -6.0f);

    object.integrate(0.0f);
    EXPECT_FLOAT_EQ(object.position.x, 2.0f);
    EXPECT_FLOAT_EQ(object.velocity.z, -6.0f);
}

TEST(ObjectIntegrate, RoundsEachProductToFloatBeforeAdding)
{
    Object object;
    object.position.x = 1.0f;
    object.velocity.x = 0.1f;
    object.integrate(3.0f);
    EXPECT_EQ(object.position.x, 1.0f + static_cast<float>(0.1f * 3.0f));
}

}  // namespace
