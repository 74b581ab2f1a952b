// What a user of pukavro sees, as the tests and benchmarks read it from the
// program's description: ids, names, places and texts. Written out here on
// purpose rather than taken from the program's own headers, so that a wrong
// value there is caught instead of copied. The camera's device, control codes
// and frame layout are the simulator's (ezusbsim.h), a reading of their own.
#ifndef PUKAVRO_TESTS_EXPECTED_H
#define PUKAVRO_TESTS_EXPECTED_H

#include <stdint.h>

// Command and control ids of the main window; the buttons use theirs.
enum {
    ID_ABOUT = 104,
    ID_EXIT = 105,
    ID_CAPTURE = 1000,
    ID_SAVE = 1001,
};

// The main window: its class and title, and its place and size, caption
// and border included.
#define MAIN_CLASS_NAME "PUKAVRO"
#define MAIN_CLASS_NAME_W L"PUKAVRO"  // the same, as the resources hold it
#define MAIN_TITLE L"pukavro"
enum {
    MAIN_WINDOW_X = 0,
    MAIN_WINDOW_Y = 0,
    MAIN_WINDOW_WIDTH = 120,
    MAIN_WINDOW_HEIGHT = 180,
};

// The three buttons, in order, each at its rectangle of the client area.
struct ExpectedButton {
    const wchar_t *text;
    int id;
    int left;
    int top;
    int right;
    int bottom;
};
const ExpectedButton MAIN_BUTTONS[3] = {
    {L"Capture", ID_CAPTURE, 12, 85, 102, 110},
    {L"Save", ID_SAVE, 12, 120, 52, 145},
    {L"Exit", ID_EXIT, 62, 120, 102, 145},
};

// The picture: painted 1:1 at this place of the main window's client area.
enum {
    PICTURE_X = 9,
    PICTURE_Y = 8,
    PICTURE_WIDTH = 96,
    PICTURE_HEIGHT = 72,
    PICTURE_PIXELS = PICTURE_WIDTH * PICTURE_HEIGHT,
};

// The colour of the all-zero frame, the picture at start: red 0, green 139,
// blue 0.
const uint32_t FIRST_PICTURE_RGB = 0x008B00;

// The vendor request block the program sends the camera: device to host,
// vendor, device, request 0xA8, value 1; fill and index 0xCC.
const uint8_t VENDOR_BLOCK[10] = {0x01, 0x02, 0x00, 0x00, 0xA8, 0xCC, 0x01, 0x00, 0xCC, 0xCC};

// The first saved file of a run.
#define FIRST_SAVED_NAME "kavro001.bin"

// Texts as the user reads them (Unicode, whatever the program's code page).
const wchar_t ERROR_BOX_CAPTION[] = L"Error";

// 画像取得中にエラーが発生しました (an error occurred while acquiring the image)
const wchar_t CAPTURE_FAILED[] =
    L"\u753B\u50CF\u53D6\u5F97\u4E2D\u306B\u30A8\u30E9\u30FC\u304C\u767A\u751F"
    L"\u3057\u307E\u3057\u305F";

// ファイル出力中にエラーが発生しました (an error occurred while writing the file)
const wchar_t SAVE_FAILED[] =
    L"\u30D5\u30A1\u30A4\u30EB\u51FA\u529B\u4E2D\u306B\u30A8\u30E9\u30FC\u304C\u767A\u751F"
    L"\u3057\u307E\u3057\u305F";

// ﾊﾞｰｼﾞｮﾝ情報 (version information): half-width katakana, then two kanji.
const wchar_t ABOUT_TITLE[] = L"\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D\u60C5\u5831";
const wchar_t ABOUT_VERSION_TEXT[] = L"pukavro Version 1.0";

// The release's version, as every program's version resource, manifest and
// --version give it (the About box's text above is the program's own).
#define EXPECTED_VERSION "1.0.0"
// The same as the version resource's numbers hold it: 1.0 in the high
// words, .0.0 in the low ones.
const uint32_t EXPECTED_VERSION_MS = 0x00010000;
const uint32_t EXPECTED_VERSION_LS = 0x00000000;

#endif
