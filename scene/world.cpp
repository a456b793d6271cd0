#include "scene/world.h"

#include <cmath>

#include "scene/enemy.h"
#include "scene/light.h"
#include "scene/player.h"
#include "scene/snowball.h"
#include "shell/camera.h"
#include "terrain/field.h"

namespace {

// Nothing farther from the eye than this is ever inside the view: the far plane lies at
// 200 (the fog end) and the view's corners, at 54 degrees vertically and 4:3, reach
// 1.3119284 times as far. (Fog is taken from the eye depth, not the distance, so the fog
// end alone would cut off snowballs still visible near the corners.)
const float kFarthestVisible = 200.0f * 1.3119284f;

}  // namespace

World::World(Camera* camera)
    : field(nullptr),
      camera(camera),
      player(nullptr),
      light(nullptr),
      enemy(nullptr),
      running(false),
      clockStart(0.0f),
      clock(0.0f)
{
    field = new Field(1.0f);
    player = new Player(camera, field);
    light = new Light;
    enemy = new Enemy;
    enemy->loadModel();
    player->setParent(field);
    enemy->camera = camera;
    enemy->field = field;
    enemy->setParent(field);
}

void World::placeEyeOnGround()
{
    camera->position.y = field->heightAt(camera->position.x, camera->position.z) + player->radius;
    const float low = field->margin;
    const float high = static_cast<float>(field->gridSize) * field->cellSize - field->margin;
    float* const bounded[2] = {&camera->position.x, &camera->position.z};
    for (float* coordinate : bounded) {
        if (*coordinate <= low) *coordinate = low;
        if (*coordinate >= high) *coordinate = high;
    }
}

bool World::isOutOfSight(const Snowball& snowball) const
{
    const float dx = snowball.flightPosition.x - camera->position.x;
    const float dy = snowball.flightPosition.y - camera->position.y;
    const float dz = snowball.flightPosition.z - camera->position.z;
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    return distance - snowball.radius > kFarthestVisible;
}

void World::retireSnowballs()
{
    Node* node = field->firstChild;
    while (node != nullptr) {
        Node* following = (node->next == field->firstChild) ? nullptr : node->next;
        Snowball* snowball = dynamic_cast<Snowball*>(node);
        if (snowball != nullptr && !snowball->inactive && isOutOfSight(*snowball)) {
            snowball->inactive = true;
        }
        if (snowball != nullptr && snowball->inactive) {
            delete snowball;  // detaches it from the field and frees its timer
        }
        node = following;
    }
}

int World::snowballCount() const
{
    int count = 0;
    Node* node = field->firstChild;
    if (node == nullptr) {
        return 0;
    }
    do {
        if (dynamic_cast<Snowball*>(node) != nullptr) {
            ++count;
        }
        node = node->next;
    } while (node != field->firstChild);
    return count;
}
