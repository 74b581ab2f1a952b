// The least a capture can cost on this system: a window with a Capture
// button that, when pressed, starts a thread; the thread sends the camera
// the vendor request and the bulk read and hands the result to the window
// with one cross-thread SendMessageA; the window converts the frame and
// paints it. Nothing else: no button states, no erase, no message box.
//
// Command line: X [reopen] [buttons] [erase] [clip]. X is the window's left
// edge on the screen. The words add, one at a time, what pukavro does beyond
// that, to see what each costs:
// - reopen: open and close the camera around every capture instead of
//   once for the whole run;
// - buttons: pukavro's three buttons; Capture and Save are disabled for
//   the capture and enabled again after the picture is painted;
// - erase: paint by invalidating the whole client area, background
//   erased, and updating the window, instead of drawing at once;
// - clip: the window clips its children (WS_CLIPCHILDREN), which pukavro's
//   does not; with erase, only the window itself is repainted.
//
// The program notes the clock at each step of every capture and writes the
// notes to capture_floor_X.csv beside its program file when it ends. The clock
// is the performance counter that capture_latency reads, so its clicks and
// sightings line up with these notes.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sim_controls.h"
#include "clock.h"
#include "expected.h"
#include "floors.h"
#include "frame.h"

namespace {

const UINT MSG_FRAME = WM_APP + 1;

// The steps of one capture, in ms of the performance counter; the order of
// the columns of the notes.
struct Stamps {
    double command;    // Capture's command reaches the window
    double disabled;   // Capture and Save are disabled
    double worker;     // the worker thread runs
    double requested;  // both requests answered (and the camera closed)
    double handler;    // the worker's message reaches the window
    double painted;    // the picture is converted and painted
    double enabled;    // the buttons are enabled again: the handler is done
};
const int MAX_CAPTURES = 2000;

struct Options {
    int x;
    bool reopen;
    bool buttons;
    bool erase;
    bool clip;
};

Options g_options;
HANDLE g_device = INVALID_HANDLE_VALUE;
HWND g_window;
HWND g_capture_button;
HWND g_save_button;
RawFrame g_frame;
DisplayImage g_image;
Stamps g_stamps[MAX_CAPTURES];
int g_captures;  // captures started; the one at work is g_captures - 1

void Stamp(double Stamps::*step)
{
    if (g_captures < 1 || g_captures > MAX_CAPTURES)
        return;
    g_stamps[g_captures - 1].*step = NowMs();
}

void WriteStamps()
{
    char program[MAX_PATH];
    char name[MAX_PATH + 32];
    if (GetModuleFileNameA(NULL, program, sizeof program) == 0)
        return;
    FloorNotesPath(program, g_options.x, name, sizeof name);
    FILE *file = fopen(name, "w");
    if (file == NULL)
        return;
    fprintf(file, "command,disabled,worker,requested,handler,painted,enabled\n");
    for (int i = 0; i < g_captures && i < MAX_CAPTURES; i++) {
        const Stamps &s = g_stamps[i];
        fprintf(file, "%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n", s.command, s.disabled, s.worker,
                s.requested, s.handler, s.painted, s.enabled);
    }
    fclose(file);
}

int ReadFrame(HANDLE device)
{
    uint8_t vendor[sizeof VENDOR_BLOCK];
    memcpy(vendor, VENDOR_BLOCK, sizeof vendor);
    uint8_t reply = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(device, EZUSBSIM_IOCTL_VENDOR_REQUEST, vendor, sizeof vendor, &reply,
                         sizeof reply, &returned, NULL))
        return -1;
    ULONG pipe = EZUSBSIM_BULK_PIPE;
    if (!DeviceIoControl(device, EZUSBSIM_IOCTL_BULK_READ, &pipe, sizeof pipe, g_frame,
                         sizeof g_frame, &returned, NULL))
        return -1;
    return 0;
}

DWORD WINAPI Worker(void *)
{
    Stamp(&Stamps::worker);
    int status;
    if (g_options.reopen) {
        HANDLE device = OpenCamera();
        status = device == INVALID_HANDLE_VALUE ? -1 : ReadFrame(device);
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
    } else {
        status = ReadFrame(g_device);
    }
    Stamp(&Stamps::requested);
    SendMessageA(g_window, MSG_FRAME, 0, status);
    return 0;
}

void Paint(HDC dc)
{
    StretchDIBits(dc, PICTURE_X, PICTURE_Y, FRAME_WIDTH, FRAME_HEIGHT, 0, 0, FRAME_WIDTH,
                  FRAME_HEIGHT, g_image.bits, &g_image.info, DIB_RGB_COLORS, SRCCOPY);
}

void OnCapture()
{
    g_captures++;
    Stamp(&Stamps::command);
    if (g_options.buttons) {
        EnableWindow(g_capture_button, FALSE);
        EnableWindow(g_save_button, FALSE);
    }
    Stamp(&Stamps::disabled);
    HANDLE thread = CreateThread(NULL, 0, Worker, NULL, 0, NULL);
    if (thread != NULL)
        CloseHandle(thread);
}

void OnFrame(HWND window, LPARAM status)
{
    Stamp(&Stamps::handler);
    if ((LONG)status == 0) {
        ConvertFrame(g_frame, g_image.bits, FRAME_WIDTH, FRAME_HEIGHT);
        if (g_options.erase) {
            InvalidateRect(window, NULL, TRUE);
            UpdateWindow(window);
        } else {
            HDC dc = GetDC(window);
            Paint(dc);
            ReleaseDC(window, dc);
        }
    }
    Stamp(&Stamps::painted);
    if (g_options.buttons) {
        EnableWindow(g_capture_button, TRUE);
        EnableWindow(g_save_button, TRUE);
    }
    Stamp(&Stamps::enabled);
}

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_CAPTURE) {
            OnCapture();
            return 0;
        }
        break;
    case MSG_FRAME:
        OnFrame(window, lParam);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        Paint(BeginPaint(window, &ps));
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        WriteStamps();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// At the place of pukavro's button i.
HWND CreateButton(HINSTANCE instance, const char *caption, int i)
{
    const ExpectedButton &button = MAIN_BUTTONS[i];
    return CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE, button.left, button.top,
                           button.right - button.left, button.bottom - button.top, g_window,
                           (HMENU)(INT_PTR)button.id, instance, NULL);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_state)
{
    g_options.x = atoi(command_line);
    g_options.reopen = strstr(command_line, "reopen") != NULL;
    g_options.buttons = strstr(command_line, "buttons") != NULL;
    g_options.erase = strstr(command_line, "erase") != NULL;
    g_options.clip = strstr(command_line, "clip") != NULL;
    if (!g_options.reopen) {
        g_device = OpenCamera();
        if (g_device == INVALID_HANDLE_VALUE)
            return 1;
    }
    InitDisplayHeader(&g_image.info.bmiHeader);
    g_image.bits = static_cast<uint8_t *>(GlobalAlloc(GMEM_ZEROINIT, DISPLAY_IMAGE_BYTES));
    if (g_image.bits == NULL)
        return 1;
    ConvertFrame(g_frame, g_image.bits, FRAME_WIDTH, FRAME_HEIGHT);

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_SCROLLBAR + 1);
    wc.lpszClassName = CAPTURE_FLOOR_CLASS;
    RegisterClassA(&wc);
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    if (g_options.clip)
        style |= WS_CLIPCHILDREN;
    g_window =
        CreateWindowExA(0, CAPTURE_FLOOR_CLASS, "capture floor", style, g_options.x, MAIN_WINDOW_Y,
                        MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, NULL, NULL, instance, NULL);
    if (g_window == NULL)
        return 1;
    g_capture_button = CreateButton(instance, "Capture", 0);
    if (g_options.buttons) {
        g_save_button = CreateButton(instance, "Save", 1);
        CreateButton(instance, "Exit", 2);
    }
    ShowWindow(g_window, show_state);
    UpdateWindow(g_window);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
