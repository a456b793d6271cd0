#include "shell/hiddenpointer.h"

#include <GL/freeglut.h>

void hidePointer()
{
    glutSetCursor(GLUT_CURSOR_NONE);
}
