// Real input, as the user's mouse and keyboard make it. It goes where the
// system sends it: a click to the enabled window under the pointer, a key
// to the window that has the focus.
#ifndef PUKAVRO_TESTS_INPUT_H
#define PUKAVRO_TESTS_INPUT_H

#include <windows.h>

// Moves the pointer to the screen point and waits (bounded) until it is
// there. 0 or -1.
int MovePointer(int x, int y);

// Left click at a screen point, a point of a window's client area, or the
// middle of a control. 0 or -1.
int ClickScreen(int x, int y);
int ClickClient(HWND window, int x, int y);
int ClickControl(HWND control);

// Presses the left button on control, moves off it to the screen point
// (x, y) and releases there: a push button takes the focus and does not act.
int PressAndSlideOff(HWND control, int x, int y);

// Alt with the key that types character (with Shift when the keyboard
// layout needs it for that character), as one chord. 0 or -1.
int PressAltCharacter(char character);

// One key, pressed and released, optionally with Alt held. 0 or -1.
int PressKey(WORD virtual_key);
int PressAltKey(WORD virtual_key);

// A click on the middle of control made ready beforehand, for a benchmark
// whose clock runs from the moment it is sent: the pointer moves there and
// the left button goes down and up, as one input. 0 or -1.
struct PreparedClick {
    INPUT inputs[2];
};
int PrepareClick(HWND control, PreparedClick *click);
int SendClick(const PreparedClick *click);

// A screen point of window where hit testing gives hit (HTCLOSE,
// HTREDUCE, ...); 0, or -1 when there is none.
int FindHitPoint(HWND window, LRESULT hit, POINT *at);

#endif
