// The process-wide state. One instance, owned by the user-interface thread;
// the capture worker touches only the capture request (camera access's own
// record, which this one points to) and, through the driver, the raw frame.
#ifndef PUKAVRO_APP_STATE_H
#define PUKAVRO_APP_STATE_H

#include <windows.h>

#include "window_capture.h"
#include "frame.h"

enum { APP_TEXT_CHARS = 100 };

struct AppState {
    HINSTANCE instance;
    char title[APP_TEXT_CHARS];
    char class_name[APP_TEXT_CHARS];
    HWND capture_button;
    HWND save_button;
    HWND exit_button;
    DisplayImage image;
    int16_t frame_counter;            // number of the next saved file
    CaptureRequest *capture_request;  // g_capture_request, set at window creation
    int capturing;                    // 1 from a capture's start until its notice is handled
    RawFrame raw_frame;
};

extern AppState g_app;

#endif
