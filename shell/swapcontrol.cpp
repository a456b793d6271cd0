#include "shell/swapcontrol.h"

#include <cstring>

#include <GL/glx.h>

namespace {

// Whether the space-separated list holds exactly this name (not merely a longer one).
bool offers(const char* extensions, const char* name)
{
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool starts = at == extensions || at[-1] == ' ';
        const bool ends = at[length] == '\0' || at[length] == ' ';
        if (starts && ends) {
            return true;
        }
    }
    return false;
}

template <typename Function> Function glxFunction(const SwapControlDriver& driver, const char* name)
{
    return reinterpret_cast<Function>(driver.getProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

}  // namespace

const SwapControlDriver kGlxDriver{glXQueryExtensionsString, glXGetProcAddress};

SwapControl chooseSwapControl(const char* glxExtensions)
{
    if (glxExtensions == nullptr) {
        return SwapControl::NotOffered;
    }
    if (offers(glxExtensions, "GLX_EXT_swap_control")) {
        return SwapControl::Ext;
    }
    if (offers(glxExtensions, "GLX_MESA_swap_control")) {
        return SwapControl::Mesa;
    }
    if (offers(glxExtensions, "GLX_SGI_swap_control")) {
        return SwapControl::Sgi;
    }
    return SwapControl::NotOffered;
}

void swapAtDisplayRefresh(const SwapControlDriver& driver)
{
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    int screen = 0;
    if (display == nullptr || drawable == 0 ||
        glXQueryContext(display, glXGetCurrentContext(), GLX_SCREEN, &screen) != Success) {
        return;
    }
    // Only an offered extension may be called: the loader hands out entry points for
    // every name, and the driver behind an unoffered one may be missing.
    const int interval = 1;
    switch (chooseSwapControl(driver.queryExtensionsString(display, screen))) {
    case SwapControl::Ext:
        if (auto swapInterval = glxFunction<PFNGLXSWAPINTERVALEXTPROC>(driver, "glXSwapIntervalEXT")) {
            swapInterval(display, drawable, interval);
        }
        break;
    case SwapControl::Mesa:
        if (auto swapInterval = glxFunction<PFNGLXSWAPINTERVALMESAPROC>(driver, "glXSwapIntervalMESA")) {
            swapInterval(interval);
        }
        break;
    case SwapControl::Sgi:
        if (auto swapInterval = glxFunction<PFNGLXSWAPINTERVALSGIPROC>(driver, "glXSwapIntervalSGI")) {
            swapInterval(interval);
        }
        break;
    case SwapControl::NotOffered:
        break;
    }
}
