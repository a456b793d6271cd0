#ifndef FROSTFELD_WINDOW_H
#define FROSTFELD_WINDOW_H

class Game;

// Degrees of turn per pixel of pointer offset.
const float kMouseSensitivity = 1.5f;

extern Game* g_game;              // the one game; null until initGame
extern float g_mouseSensitivity;  // kMouseSensitivity once initGame has run

// One-time setup after the window exists: the game, the projection, GL state, swaps at
// the display's refresh, hidden pointer.
void initGame();
// GLUT display callback: one frame, then asks for the next.
void display();
// GLUT reshape callback: the viewport follows the window.
void reshape(int width, int height);

#endif
