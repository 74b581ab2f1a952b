// The fixture of every end-to-end test: the simulated camera without faults,
// a fresh working directory, and pukavro started in it with its window up.
// Whatever happens in the test, the program is ended, the camera's knobs
// are cleared and the directory removed.
#ifndef PUKAVRO_TESTS_PUKAVRO_FIXTURE_H
#define PUKAVRO_TESTS_PUKAVRO_FIXTURE_H

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "bytes.h"
#include "camera_fixture.h"
#include "dialogs.h"
#include "expected.h"
#include "program.h"
#include "pukavro.h"
#include "screen.h"

// The program under test, as given on the command line.
extern std::string g_program;

class PukavroTest : public SimulatedCamera {
protected:
    std::string directory;
    Program app = {};

    void SetUp() override;
    void TearDown() override;

    HWND Control(int id) const { return GetDlgItem(app.window, id); }
};

// Passes when the window shows expected at the picture's place, polling
// until it does; otherwise names the first differing pixel.
::testing::AssertionResult ShowsPicture(HWND window, const Pixels &expected);

// Like ShowsPicture for a picture that must stay: once the window shows it,
// it goes on showing it for a few readings more, so a repaint still on its
// way would be seen.
::testing::AssertionResult StillShowsPicture(HWND window, const Pixels &expected);

// Passes when the process shows, or soon shows, the program's error box
// with text: caption "Error", one icon, one OK button. The box is left in
// box and what it shows in view.
::testing::AssertionResult ShowsErrorBox(DWORD process_id, const wchar_t *text, HWND *box,
                                         MessageBoxView *view);

// Saves as SaveFrame does, naming the file and its size on failure.
::testing::AssertionResult Saves(HWND window, const std::string &path, std::vector<uint8_t> *bytes);

#endif
