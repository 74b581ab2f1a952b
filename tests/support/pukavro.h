// pukavro as a running program, driven as a user drives it: started in a
// folder of its own, its main window found, Capture and Save clicked and
// their outcome awaited. Every wait is bounded.
#ifndef PUKAVRO_TESTS_PUKAVRO_H
#define PUKAVRO_TESTS_PUKAVRO_H

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "program.h"
#include "screen.h"

// The main window of process_id, or NULL.
HWND FindMainWindow(DWORD process_id);

// Starts the program at path (UTF-8) with directory as its working
// directory and waits until its main window is shown and has the keyboard
// focus, as a program just started has: only then do keys reach it. 0, or
// -1 when it did not get that far (whatever was started is still in app,
// for EndProgram).
int StartPukavro(Program *app, const std::string &path, const std::string &directory);

// Polls until Capture and Save are both enabled (or both disabled).
bool WaitForCaptureAndSave(HWND window, bool enabled);

// Clicks Capture and waits until the capture is over: the camera has sent
// one more frame and Capture and Save are back. 0 or -1.
int CaptureFrame(HWND window);

// Clicks Save and waits until Save is enabled again and the file at path
// holds a whole frame, whose bytes are left in bytes. 0 or -1.
int SaveFrame(HWND window, const std::string &path, std::vector<uint8_t> *bytes);

// The picture the window should show for the camera's frame n
// (CameraFrame(n)).
Pixels CameraPicture(uint32_t n);

// The picture at start: uniform green.
Pixels FirstPicture();

#endif
