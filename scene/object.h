#ifndef FROSTFELD_OBJECT_H
#define FROSTFELD_OBJECT_H

#include "scene/node.h"
#include "scene/vec3.h"

class Camera;

// A movable thing with a bounding sphere; every node of the scene tree is one.
// The virtual operations keep a fixed slot order: destructor, integrate, draw,
// onCollision, update and two spare slots.
class Object : public Node {
public:
    Object();
    ~Object() override;

    // One explicit Euler step: position moves with the velocity from before the step.
    virtual void integrate(float dt);
    virtual void draw(Camera* camera);
    virtual void onCollision(Object* other);
    // Runs the collision pass from the root of this object's tree.
    virtual void update();
    virtual void spareOperation1();  // reserved slot; nothing calls it
    virtual void spareOperation2();  // reserved slot; nothing calls it

    // Tests this object against start, start's later siblings and all their
    // descendants; on contact also this object's children and later siblings.
    void collideWith(Object* start);
    // Pre-order walks over this node, its later siblings and all their descendants.
    void drawTree(Camera* camera);
    void updateTree();

    Vec3 position;
    Vec3 velocity;
    Vec3 acceleration;
    float radius;
};

#endif
