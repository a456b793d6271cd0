#ifndef FROSTFELD_HIDDENPOINTER_H
#define FROSTFELD_HIDDENPOINTER_H

// Hides the mouse pointer over the game window for the rest of the run.
void hidePointer();

#endif
