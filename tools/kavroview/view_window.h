// kavroview's window: its state, owned by the window and reached through
// its user data, and the handlers the window procedure calls. Windows only.
#ifndef PUKAVRO_KAVROVIEW_VIEW_WINDOW_H
#define PUKAVRO_KAVROVIEW_VIEW_WINDOW_H

#include <windows.h>
#include <stdint.h>

#include <string>

#include "capture_moment.h"
#include "exit_status.h"
#include "frame.h"
#include "live_capture.h"
#include "rate_meter.h"
#include "view_options.h"

// Private messages; each is posted, never sent, so no other thread ever
// waits for the window.
enum {
    // From the capture thread: the slot holds a new frame. At most one is
    // out at a time (frame_slot.h).
    MSG_FRAME_READY = WM_APP + 1,
    // From the snapshot thread: lParam is its SnapshotJob, now the window's.
    MSG_SNAPSHOT_DONE,
    // From the camera-listing thread: lParam is its CameraListJob.
    MSG_CAMERAS_LISTED,
    // From the recording thread, at its end: lParam is its Recording.
    MSG_RECORDING_DONE,
};

enum {
    STATUS_TIMER = 1,
    STATUS_TIMER_MS = 250,
    STATUS_BAR_ID = 100,
    // The status bar's counters, and the least room its last part needs.
    STATUS_FPS_WIDTH = 64,
    STATUS_SHOWN_WIDTH = 84,
    STATUS_FAILED_WIDTH = 72,
    STATUS_MIN_WIDTH = STATUS_FPS_WIDTH + STATUS_SHOWN_WIDTH + STATUS_FAILED_WIDTH + 90,
};

struct ViewWindow {
    HWND window;
    HWND status_bar;
    HACCEL accelerators;
    std::string folder;  // UTF-8, "" for the current folder

    int zoom;
    int sizing;  // the window resizes itself to a zoom: its WM_SIZE keeps the zoom

    // The frame on screen: its raw bytes, for a snapshot or a copy, and its
    // picture.
    uint8_t raw[RAW_FRAME_BYTES];
    BITMAPINFO picture_info;
    uint8_t picture[DISPLAY_IMAGE_BYTES];
    bool have_frame;
    bool stamp;                  // View, Time stamp: drawn into the picture at shown_moment
    CaptureMoment shown_moment;  // when the frame on screen arrived
    uint32_t frames_shown;
    uint32_t shown_number;  // the capture thread's number of the frame on screen
    RateMeter rate;

    std::wstring note;  // what was last saved, or the like, after the state
    bool snapshot_busy;
    bool cameras_busy;

    Recording *recording;     // the one being recorded, NULL when none
    HANDLE recording_thread;  // until its end has been handled

    LiveCapture live;
    HANDLE capture_thread;
};

// The window's class; the process's module and the options of this run.
ATOM RegisterViewClass(HINSTANCE instance);
HWND CreateViewWindow(HINSTANCE instance, ViewWindow *view, int show_state);
LRESULT CALLBACK ViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The clock of the frame rate, in microseconds.
int64_t NowUs();

// view_texts.cpp: a string of the resources, in the user's language.
std::wstring LoadText(UINT id);
// The string id with its %s or %d filled (wsprintfW's formats).
std::wstring FormatText(UINT id, ...);

// The message box that answers a command line the window does not open
// on: the usage alone when it was asked for, else after the problem.
struct UsageBox {
    std::wstring text;
    UINT icon;          // MB_ICONINFORMATION when asked for, else MB_ICONERROR
    ExitStatus status;  // the process's, once the box is closed
};
UsageBox UsageBoxFor(ViewArguments parsed, const std::string &culprit);

// status_bar.cpp
HWND CreateStatusBar(HWND window);
void ShowStatus(ViewWindow *view);
void ShowStatusNote(ViewWindow *view, const std::wstring &note);
int StatusBarHeight(ViewWindow *view);

// snapshot_thread.cpp: saves the frame on screen on a thread of its own.
void StartSnapshot(ViewWindow *view);
void OnSnapshotDone(ViewWindow *view, LPARAM job);

// recording_thread.cpp: R starts and stops a movie on a thread of its own.
void ToggleRecording(ViewWindow *view);
void StopRecording(ViewWindow *view);
void OnRecordingDone(ViewWindow *view, LPARAM recording);
// The status bar's words for it; "" when not recording.
std::wstring RecordingText(ViewWindow *view);

// clipboard_copy.cpp: the frame on screen as a CF_DIB bitmap.
void CopyPicture(ViewWindow *view);

// camera_menu.cpp: lists the cameras present on a thread of its own.
void StartCameraListing(ViewWindow *view);
void OnCamerasListed(ViewWindow *view, LPARAM job);
void OnChooseCamera(ViewWindow *view, int number);

// About box
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
