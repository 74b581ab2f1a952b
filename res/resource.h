// Resource and command ids, as plain #defines, so that both the resource
// compiler and the C++ code include this header.
#ifndef PUKAVRO_RESOURCE_H
#define PUKAVRO_RESOURCE_H

// The platform headers define ICON_SMALL too (0, a WM_SETICON size, which
// this program never sends). They come first, here, so that ours wins in
// every file whatever the order of its includes.
#include <windows.h>
#undef ICON_SMALL

// String table
#define STR_TITLE 103  // window title, "pukavro"
#define STR_CLASS 109  // window class name, "PUKAVRO"

// Icon groups
#define ICON_LARGE 107  // 32 x 32 and 16 x 16, the window class icon
#define ICON_SMALL 108  // 16 x 16, the caption and taskbar icon

// Accelerator table: Alt+"?" and Alt+"/" open the About box
#define ACCEL_MAIN 109

// About box
#define DLG_ABOUT 103
#define ABOUT_ICON 2     // the static showing ICON_LARGE
#define ABOUT_TEXT (-1)  // the two text lines are never addressed

// Commands; the buttons use theirs as control ids
#define CMD_ABOUT 104
#define CMD_EXIT 105
#define CMD_CAPTURE 1000
#define CMD_SAVE 1001

#endif
