// The fixture of every end-to-end test: the simulated camera without faults,
// a fresh working directory, and pukavro started in it with its window up.
// Whatever happens in the test, the program is ended, the camera's knobs
// are cleared and the directory removed.
#ifndef PUKAVRO_E2E_PUKAVRO_TEST_H
#define PUKAVRO_E2E_PUKAVRO_TEST_H

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app_process.h"
#include "camera_sim.h"
#include "screen.h"

// The program under test, as given on the command line.
extern std::string g_program;

// Command and control ids of the main window.
enum {
    ID_ABOUT = 104,
    ID_EXIT = 105,
    ID_CAPTURE = 1000,
    ID_SAVE = 1001,
};

class PukavroTest : public SimulatedCamera {
protected:
    std::string directory;
    AppProcess app = {};

    void SetUp() override;
    void TearDown() override;

    HWND Control(int id) const { return GetDlgItem(app.window, id); }
};

// The raw frame the camera sends as its frame n (counted from the fixture's
// reset), and the picture the window should show for it.
std::vector<uint8_t> CameraFrame(uint32_t n);
Pixels CameraPicture(uint32_t n);

// The picture at start: uniform green.
Pixels FirstPicture();

// Polls until Capture and Save are both enabled (or both disabled).
bool WaitForCaptureAndSave(HWND window, bool enabled);

// Passes when the window shows expected at the picture's place, polling
// until it does; otherwise names the first differing pixel.
::testing::AssertionResult ShowsPicture(HWND window, const Pixels &expected);

// Like ShowsPicture for a picture that must stay: once the window shows it,
// it goes on showing it for a few readings more, so a repaint still on its
// way would be seen.
::testing::AssertionResult StillShowsPicture(HWND window, const Pixels &expected);

// Clicks Capture and waits until the capture is over: the camera has sent
// one more frame and Capture and Save are back. 0 or -1.
int CaptureFrame(HWND window);

#endif
