#include "render_support.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

namespace FrostfeldTest {

namespace {

uint8_t channel(unsigned long pixel, unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return static_cast<uint8_t>(((pixel >> shift) & mask) * 255 / (mask == 0 ? 1 : mask));
}

}  // namespace

bool readWindowPixels(int width, int height, uint8_t* rgba)
{
    glFinish();
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) {
        return false;
    }
    XSync(display, False);
    XImage* image = XGetImage(display, glXGetCurrentDrawable(), 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // X counts rows from the top, GL from the bottom
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, row);
            uint8_t* p = rgba + (static_cast<size_t>(y) * width + x) * 4;
            p[0] = channel(pixel, image->red_mask);
            p[1] = channel(pixel, image->green_mask);
            p[2] = channel(pixel, image->blue_mask);
            p[3] = 255;
        }
    }
    XDestroyImage(image);
    return true;
}

std::string glxExtensions()
{
    Display* display = glXGetCurrentDisplay();
    int screen = 0;
    if (display == nullptr || glXQueryContext(display, glXGetCurrentContext(), GLX_SCREEN, &screen) != Success) {
        return "";
    }
    const char* extensions = glXQueryExtensionsString(display, screen);
    return extensions == nullptr ? "" : extensions;
}

void setSwapInterval(int interval)
{
    const auto set = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(
        glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
    set(glXGetCurrentDisplay(), glXGetCurrentDrawable(), interval);
}

int swapInterval()
{
    unsigned int interval = 0;
    glXQueryDrawable(glXGetCurrentDisplay(), glXGetCurrentDrawable(), GLX_SWAP_INTERVAL_EXT, &interval);
    return static_cast<int>(interval);
}

}  // namespace FrostfeldTest
