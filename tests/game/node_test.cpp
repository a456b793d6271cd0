// The scene tree's links, walks and destruction, and the default Euler step.
#include <string>
#include <vector>

#include "game_test_support.h"

using FrostfeldTest::Recording;
using FrostfeldTest::RecordingObject;
using Names = std::vector<std::string>;

namespace {

class SceneTree : public ::testing::Test {
protected:
    RecordingObject* make(const std::string& name, Node* parent = nullptr)
    {
        auto* object = new RecordingObject(name, &recording);
        if (parent != nullptr) object->setParent(parent);
        return object;
    }
    // Children in ring order, checking the ring's back links and parents on the way.
    Names childrenOf(Node* node)
    {
        Names names;
        for (Node* child = node->firstChild; child != nullptr;) {
            EXPECT_EQ(child->next->prev, child);
            EXPECT_EQ(child->parent, node);
            names.push_back(static_cast<RecordingObject*>(child)->name);
            child = (child->next == node->firstChild) ? nullptr : child->next;
        }
        return names;
    }
    Recording recording;
};

TEST_F(SceneTree, AppendsLastAndMovesWholeSubtrees)
{
    RecordingObject root("root", &recording);
    EXPECT_EQ(root.prev, &root);
    EXPECT_EQ(root.findRoot(), &root);
    RecordingObject* a = make("a", &root);
    make("b", &root);
    RecordingObject* c = make("c", &root);
    EXPECT_EQ(childrenOf(&root), (Names{"a", "b", "c"}));
    EXPECT_EQ(root.firstChild->prev, c);

    a->setParent(&root);  // the same parent again: to the end
    EXPECT_EQ(childrenOf(&root), (Names{"b", "c", "a"}));

    RecordingObject other("other", &recording);
    RecordingObject* grandchild = make("a1", a);
    a->setParent(&other);
    EXPECT_EQ(childrenOf(&root), (Names{"b", "c"}));
    EXPECT_EQ(childrenOf(&other), (Names{"a"}));
    EXPECT_EQ(grandchild->findRoot(), &other);
    c->setParent(&other);
    delete root.firstChild;  // the only child
    EXPECT_EQ(root.firstChild, nullptr);
}

TEST_F(SceneTree, DestructionKeepsTheRingClosedAndFreesEachDescendantOnce)
{
    RecordingObject* root = make("root");
    RecordingObject* a = make("a", root);
    make("a1", a);
    make("a2", a);
    RecordingObject* b = make("b", root);
    RecordingObject* c = make("c", root);
    make("d", root);

    delete c;  // a middle child
    delete a;  // the first, with children: b takes its place
    EXPECT_EQ(childrenOf(root), (Names{"b", "d"}));
    EXPECT_EQ(root->firstChild, b);
    delete root;
    EXPECT_EQ(recording.destructions, (Names{"c", "a", "a1", "a2", "root", "b", "d"}));
}

TEST_F(SceneTree, WalksArePreOrderOverTheStartsReachOnly)
{
    RecordingObject root("root", &recording);
    make("a1", make("a", &root));
    RecordingObject* b = make("b", &root);
    make("b1", b);
    make("c", &root);

    root.updateTree();
    root.drawTree(nullptr);  // no GL context: the matrix calls do nothing
    EXPECT_EQ(recording.updates, (Names{"root", "a", "a1", "b", "b1", "c"}));
    EXPECT_EQ(recording.draws, recording.updates);
    recording.updates.clear();
    b->updateTree();
    EXPECT_EQ(recording.updates, (Names{"b", "b1", "c"}));
}

TEST(ObjectIntegrate, MovesWithTheVelocityFromBeforeTheStepInFloat)
{
    Object object;
    object.position = {1.0f, 2.0f, 3.0f};
    object.velocity = {0.1f, -1.0f, 2.0f};
    object.acceleration = {1.0f, 1.0f, -4.0f};
    object.integrate(0.0f);
    EXPECT_EQ(object.position.x, 1.0f);
    EXPECT_EQ(object.velocity.x, 0.1f);
    object.integrate(3.0f);
    EXPECT_EQ(object.position.x, 1.0f + static_cast<float>(0.1f * 3.0f));
    EXPECT_EQ(object.position.y, -1.0f);
    EXPECT_EQ(object.position.z, 9.0f);
    EXPECT_EQ(object.velocity.x, 0.1f + 3.0f);
    EXPECT_EQ(object.velocity.z, -10.0f);
}

}  // namespace
