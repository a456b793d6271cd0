#include "scene/enemy.h"

#include <iostream>
#include <typeinfo>

#include <GL/gl.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include "terrain/field.h"

const char* const Enemy::kModelFile = "texturen/female.iv";

namespace {

// The modelview matrix last: the action draws into the matrix mode it finds.
const GLenum kSavedMatrices[] = {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW};

}  // namespace

Enemy::Enemy()
    : groundOffset(7.0f),
      modelRoot(nullptr),
      model(nullptr),
      modelTransform(nullptr),
      viewportRegion(nullptr),
      renderAction(nullptr)
{
    modelPosition = Vec3{80.0f, 140.0f, 80.0f};
}

void Enemy::loadModel()
{
    SoDB::init();
    modelRoot = new SoSeparator;
    modelRoot->ref();
    viewportRegion = new SbViewportRegion(800, 600);
    renderAction = new SoGLRenderAction(*viewportRegion);

    SoInput input;
    if (!input.openFile(kModelFile, FALSE)) {
        // Reading now would fall back on standard input and block the game.
        std::cout << "File not found: " << kModelFile << std::endl;
    } else {
        model = SoDB::readAll(&input);
        if (model == nullptr) {
            std::cout << "Problem reading file: " << kModelFile << std::endl;
        }
        input.closeFile();
    }

    modelTransform = new SoTransform;
    modelTransform->rotation.setValue(90.0f, 1.0f, 0.0f, 0.0f);  // quaternion x, y, z, w
    modelTransform->translation.setValue(modelPosition.x, modelPosition.y, modelPosition.z);
    modelRoot->addChild(modelTransform);
    if (model != nullptr) {
        modelRoot->addChild(model);
    }
}

void Enemy::onCollision(Object* other)
{
    if (typeid(*other) != typeid(Field)) {
        return;
    }
    const Field* ground = static_cast<const Field*>(other);
    modelPosition.y = ground->heightAt(modelPosition.x, modelPosition.z) + groundOffset;
}

void Enemy::drawModel()
{
    // The action would set its own 800 x 600 viewport; keep the window's instead.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    viewportRegion->setWindowSize(static_cast<short>(viewport[0] + viewport[2]),
                                  static_cast<short>(viewport[1] + viewport[3]));
    viewportRegion->setViewportPixels(static_cast<short>(viewport[0]), static_cast<short>(viewport[1]),
                                      static_cast<short>(viewport[2]), static_cast<short>(viewport[3]));
    renderAction->setViewportRegion(*viewportRegion);

    // The action leaves its own material, colour-material mode, normalisation, last
    // normal and blending behind, which would light the next frame's snow; so the
    // figure's drawing gets all GL state back as it found it.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    for (GLenum mode : kSavedMatrices) {
        glMatrixMode(mode);
        glPushMatrix();
    }
    // The action sets these two only in its first traversal and relies on them
    // afterwards; the restore takes them away again, so the figure gets them each time.
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_NORMALIZE);
    renderAction->apply(modelRoot);
    for (GLenum mode : kSavedMatrices) {
        glMatrixMode(mode);
        glPopMatrix();
    }
    glPopClientAttrib();
    glPopAttrib();  // selects the matrix mode it found
}
