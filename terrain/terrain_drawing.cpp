#include <iostream>

#include <GL/gl.h>

#include "ivory/bitmap.h"
#include "shell/camera.h"
#include "terrain/field.h"

void Field::createSnowTexture()
{
    Ivory::Bitmap bitmap;
    // Only a 24-bit picture matches the three bytes per texel declared to GL, so the
    // upload never reads past the element block.
    if (bitmap.load("snow.bmp") != 1 || bitmap.m_bits_per_pixel != 24 || bitmap.m_channels != 3 ||
        bitmap.m_dim[0] <= 0 || bitmap.m_dim[1] <= 0 || bitmap.getData() == nullptr) {
        std::cout << "Could not open bitmap" << std::endl;
        return;
    }
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // bitmap rows are packed, whatever the width
    glTexImage2D(GL_TEXTURE_2D, 0, 3, bitmap.m_dim[0], bitmap.m_dim[1], 0, GL_RGB,
                 GL_UNSIGNED_BYTE, bitmap.getData());
    glDisable(GL_TEXTURE_2D);
    glPopClientAttrib();
    glPopAttrib();
}

void Field::draw(Camera* camera)
{
    glEnable(GL_DEPTH_TEST);

    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fogColor);
    glFogf(GL_FOG_START, margin * 0.2f);
    glFogf(GL_FOG_END, margin * 2.5f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glEnable(GL_FOG);

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);  // the alpha test itself stays off

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glColor3f(1.0f, 1.0f, 1.0f);

    const float cx = camera->position.x / cellSize;
    const float cz = camera->position.z / cellSize;
    int r0 = static_cast<int>(cz - margin);
    int c0 = static_cast<int>(cx - margin);
    if (r0 < 0) r0 = 0;
    if (c0 < 0) c0 = 0;

    auto height = [this](int row, int column) { return heights[row * gridSize + column] * heightScale; };
    const float ts = textureScale;
    const float cs = cellSize;
    for (int r = r0; static_cast<float>(r) < cz + margin && r < gridSize - 1; ++r) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int c = c0; static_cast<float>(c) < cx + margin && c < gridSize - 1; ++c) {
            glTexCoord2f(c * ts, r * ts);
            glVertex3f(c * cs, height(r, c), r * cs);
            glTexCoord2f((c + 1) * ts, r * ts);
            glVertex3f((c + 1) * cs, height(r, c + 1), r * cs);
            glTexCoord2f(c * ts, (r + 1) * ts);
            glVertex3f(c * cs, height(r + 1, c), (r + 1) * cs);
            glTexCoord2f((c + 1) * ts, (r + 1) * ts);
            glVertex3f((c + 1) * cs, height(r + 1, c + 1), (r + 1) * cs);
        }
        glEnd();
    }
}
