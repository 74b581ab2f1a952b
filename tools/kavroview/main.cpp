// kavroview.exe: the command line, the window and its message loop, and the
// end of the capture thread.
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>

#include "command_line.h"
#include "exit_status.h"
#include "timed_capture.h"
#include "view_options.h"
#include "view_resource.h"
#include "view_window.h"

namespace {

// How long the process waits for the capture thread once the window has
// gone: the thread waits only on the camera's own thread, so it ends within
// the camera's cancel bound.
const DWORD CAPTURE_END_WAIT_MS = 2 * 1000;
// How long a movie may take to be finished: one completion point of the
// frames of the last second.
const DWORD RECORDING_END_WAIT_MS = 30 * 1000;

// The usage's box, then the process's status.
int ShowUsage(ViewArguments parsed, const std::string &culprit)
{
    UsageBox box = UsageBoxFor(parsed, culprit);
    MessageBoxW(NULL, box.text.c_str(), LoadText(STR_TITLE).c_str(), box.icon);
    return box.status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_state)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(__argc, __argv, &args) != ARGUMENTS_READ)
        return ShowUsage(VIEW_UNKNOWN_OPTION, std::string());
    ViewOptions options;
    std::string culprit;
    ViewArguments parsed = ParseViewArguments(args, &options, &culprit);
    if (parsed != VIEW_ARGUMENTS_OK)
        return ShowUsage(parsed, culprit);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterViewClass(instance);
    // Lives until the process ends: a capture thread left waiting on a
    // stuck camera may still use it.
    ViewWindow *view = new ViewWindow();
    view->folder = options.folder;
    view->live.seam = TimedCameraSeam();
    view->live.device = options.device;
    HWND window = CreateViewWindow(instance, view, show_state);
    if (window == NULL)
        return EXIT_SOME_FAILED;

    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, NULL, 0, 0)) != 0) {
        if (got == -1)  // a broken queue will not mend: stop instead of spinning
            break;
        if (!TranslateAcceleratorW(window, view->accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // The window is gone; the capture thread was told to stop with it.
    if (view->capture_thread != NULL)
        WaitForSingleObject(view->capture_thread, CAPTURE_END_WAIT_MS);
    if (view->recording_thread != NULL)
        WaitForSingleObject(view->recording_thread, RECORDING_END_WAIT_MS);
    return EXIT_ALL_DONE;
}
