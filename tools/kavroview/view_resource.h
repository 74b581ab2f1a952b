// kavroview's resource and command ids, as plain #defines for both the
// resource compiler and the C++ code.
#ifndef PUKAVRO_KAVROVIEW_VIEW_RESOURCE_H
#define PUKAVRO_KAVROVIEW_VIEW_RESOURCE_H

// Icon group: 32 x 32 and 16 x 16
#define IDI_KAVROVIEW 1

#define IDR_MENU 100
#define IDR_ACCEL 101
#define IDD_ABOUT 102
#define IDC_ABOUT_VERSION 1001

// Commands
#define CMD_SNAPSHOT 200
#define CMD_RECORD 201
#define CMD_COPY 202
#define CMD_EXIT 203
#define CMD_PAUSE 210
#define CMD_ZOOM_IN 211
#define CMD_ZOOM_OUT 212
#define CMD_TIME_STAMP 213
#define CMD_ZOOM_1 221  // CMD_ZOOM_1 + zoom - 1 for zooms 1 to 8
#define CMD_ZOOM_8 228
#define CMD_ABOUT 230
#define CMD_CAMERA_0 240  // CMD_CAMERA_0 + number for cameras 0 to 9
#define CMD_CAMERA_9 249

// Menu positions on the bar
#define MENU_CAMERA_POSITION 2

// Strings
#define STR_TITLE 1
#define STR_USAGE 2           // the usage, after the problem
#define STR_UNKNOWN_OPTION 3  // %s: the option
#define STR_BAD_DEVICE 4      // %s: the argument
#define STR_TOO_MANY 5        // %s: the extra argument
#define STR_NO_FOLDER 6       // %s: the folder
#define STR_FPS 10            // %d: frames in the last second
#define STR_SHOWN 11          // %u
#define STR_FAILED 12         // %u
#define STR_STARTING 13
#define STR_LIVE 14
#define STR_PAUSED 15
#define STR_NO_CAMERA 16
#define STR_FAILING 17
#define STR_SAVED 18            // %s: the names' stem
#define STR_SNAPSHOT_FAILED 19  // %s: the reason
#define STR_RECORDING 20        // %d:%02d length, %u frames
#define STR_CAMERA_ITEM 21      // %d: the camera's number
#define STR_NO_CAMERAS 22
#define STR_LOOKING 23
#define STR_ERROR_CAPTION 24
#define STR_RECORD_FAILED 25  // %s: the reason
#define STR_RECORDED 26       // %s: the movie's name
#define STR_VERSION 27        // %s: the version
#define STR_OTHER_USER 28

#endif
