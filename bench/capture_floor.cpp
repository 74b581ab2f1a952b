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
// notes to capture_floor_X.csv in the current folder when it ends. The clock
// is the performance counter that capture_latency reads, so its clicks and
// sightings line up with these notes.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "frame.h"

namespace {

const char CLASS_NAME[] = "PKCAPTUREFLOOR";
const int ID_CAPTURE = 1000;
const int ID_SAVE = 1001;
const int ID_EXIT = 105;
const UINT MSG_FRAME = WM_APP + 1;
const DWORD IOCTL_VENDOR_REQUEST = 0x00222059;
const DWORD IOCTL_BULK_READ = 0x0022204E;

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
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    g_stamps[g_captures - 1].*step = (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

void WriteStamps()
{
    char name[64];
    snprintf(name, sizeof name, "capture_floor_%d.csv", g_options.x);
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

HANDLE OpenCamera()
{
    return CreateFileA("\\\\.\\ezusb-0", GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                       NULL);
}

int ReadFrame(HANDLE device)
{
    // Direction 1, type 2, recipient 0, request 0xA8, value 1.
    uint8_t vendor[10] = {0x01, 0x02, 0x00, 0x00, 0xA8, 0xCC, 0x01, 0x00, 0xCC, 0xCC};
    uint8_t reply = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(device, IOCTL_VENDOR_REQUEST, vendor, sizeof vendor, &reply, sizeof reply,
                         &returned, NULL))
        return -1;
    ULONG pipe = 7;
    if (!DeviceIoControl(device, IOCTL_BULK_READ, &pipe, sizeof pipe, g_frame, sizeof g_frame,
                         &returned, NULL))
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
    StretchDIBits(dc, 9, 8, FRAME_WIDTH, FRAME_HEIGHT, 0, 0, FRAME_WIDTH, FRAME_HEIGHT,
                  g_image.bits, &g_image.info, DIB_RGB_COLORS, SRCCOPY);
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

HWND CreateButton(HINSTANCE instance, const char *caption, int x, int y, int width, int id)
{
    return CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE, x, y, width, 25, g_window,
                           (HMENU)(INT_PTR)id, instance, NULL);
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
    wc.lpszClassName = CLASS_NAME;
    RegisterClassA(&wc);
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    if (g_options.clip)
        style |= WS_CLIPCHILDREN;
    g_window = CreateWindowExA(0, CLASS_NAME, "capture floor", style, g_options.x, 0, 120, 180,
                               NULL, NULL, instance, NULL);
    if (g_window == NULL)
        return 1;
    g_capture_button = CreateButton(instance, "Capture", 12, 85, 90, ID_CAPTURE);
    if (g_options.buttons) {
        g_save_button = CreateButton(instance, "Save", 12, 120, 40, ID_SAVE);
        CreateButton(instance, "Exit", 62, 120, 40, ID_EXIT);
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
