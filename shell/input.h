#ifndef FROSTFELD_INPUT_H
#define FROSTFELD_INPUT_H

// The four GLUT input callbacks. Keys push the camera's velocity, passive mouse
// motion turns it and re-centres the pointer, the left button throws a snowball.

// The window-system calls the callbacks make, replaceable so the callbacks can run
// without a window (GLUT ends the process when called before glutInit).
struct InputHooks {
    void (*postRedisplay)();
    void (*warpPointer)(int x, int y);
    void (*exitProcess)(int status);
};
extern InputHooks g_inputHooks;

// True at start; flips at every passive motion event, so the warp's own event is ignored.
extern bool g_warpPending;

void keyboard(unsigned char key, int x, int y);
void specialKeys(int key, int x, int y);
void mouseButton(int button, int state, int x, int y);
void passiveMotion(int x, int y);

#endif
