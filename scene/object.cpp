#include "scene/object.h"

#include <cmath>

#include <GL/gl.h>

Object::Object() : radius(0.0f) {}

Object::~Object() = default;

void Object::integrate(float dt)
{
    position.x += velocity.x * dt;
    position.y += velocity.y * dt;
    position.z += velocity.z * dt;
    velocity.x += acceleration.x * dt;
    velocity.y += acceleration.y * dt;
    velocity.z += acceleration.z * dt;
}

void Object::draw(Camera*) {}

void Object::onCollision(Object*) {}

void Object::update()
{
    collideWith(static_cast<Object*>(findRoot()));
}

void Object::spareOperation1() {}

void Object::spareOperation2() {}

void Object::collideWith(Object* start)
{
    Object* other = start;
    for (;;) {
        const float dx = other->position.x - position.x;
        const float dy = other->position.y - position.y;
        const float dz = other->position.z - position.z;
        const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
        const float reach = other->radius + radius;
        if (reach >= distance && other != this) {  // touching counts; NaN compares false
            onCollision(other);
            if (firstChild != nullptr) {
                static_cast<Object*>(firstChild)->collideWith(other);
            }
            if (!isLastSibling()) {
                static_cast<Object*>(next)->collideWith(other);
            }
        }
        if (other->firstChild != nullptr) {
            collideWith(static_cast<Object*>(other->firstChild));
        }
        if (other->isLastSibling()) {
            return;
        }
        other = static_cast<Object*>(other->next);
    }
}

void Object::drawTree(Camera* camera)
{
    Object* node = this;
    for (;;) {
        glPushMatrix();
        node->draw(camera);
        if (node->firstChild != nullptr) {
            static_cast<Object*>(node->firstChild)->drawTree(camera);
        }
        glPopMatrix();
        if (node->isLastSibling()) {
            return;
        }
        node = static_cast<Object*>(node->next);
    }
}

void Object::updateTree()
{
    Object* node = this;
    for (;;) {
        node->update();
        if (node->firstChild != nullptr) {
            static_cast<Object*>(node->firstChild)->updateTree();
        }
        if (node->isLastSibling()) {
            return;
        }
        node = static_cast<Object*>(node->next);
    }
}
