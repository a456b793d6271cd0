#ifndef FROSTFELD_SWAPCONTROL_H
#define FROSTFELD_SWAPCONTROL_H

// Presenting frames at the display's refresh through the GLX swap-control extensions.

enum class SwapControl {
    NotOffered,
    Ext,   // GLX_EXT_swap_control: per drawable, and the interval can be read back
    Mesa,  // GLX_MESA_swap_control
    Sgi,   // GLX_SGI_swap_control
};

// The extension to use from a GLX extension string (names separated by spaces, null
// for none): the first of EXT, MESA and SGI that is offered.
SwapControl chooseSwapControl(const char* glxExtensions);

struct _XDisplay;

// The two GLX calls whose answers come from the driver: what the screen offers and where
// an extension's entry point lies. The game uses the driver's own; a test, whose virtual
// display offers no swap control, gives stand-ins.
struct SwapControlDriver {
    const char* (*queryExtensionsString)(_XDisplay* display, int screen);
    void (*(*getProcAddress)(const unsigned char* name))();
};
extern const SwapControlDriver kGlxDriver;

// Asks for one display refresh per buffer swap of the current GLX drawable, through the
// extension its screen offers; where there is none nothing changes.
void swapAtDisplayRefresh(const SwapControlDriver& driver = kGlxDriver);

#endif
