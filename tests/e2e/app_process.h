// The program under test as a separate process: started in a working
// directory of the test's choosing, found by its main window, and always
// ended, politely first.
#ifndef PUKAVRO_E2E_APP_PROCESS_H
#define PUKAVRO_E2E_APP_PROCESS_H

#include <windows.h>

struct AppProcess {
    PROCESS_INFORMATION info;  // hProcess is NULL when nothing was started
    HWND window;               // the main window, once found
};

// A top-level window of process_id with the given class (visible, if asked),
// or NULL.
HWND FindProcessWindow(DWORD process_id, const char *class_name, bool visible_only);

// The main window of process_id: a top-level window of class "PUKAVRO".
HWND FindMainWindow(DWORD process_id);

// The window that has the keyboard focus in a thread, or NULL.
HWND KeyboardFocus(DWORD thread_id);

// Starts program with directory as its working directory and waits (bounded)
// until its main window is shown and has the keyboard focus, as a program
// just started has: only then do keys reach it. 0, or -1 when it did not
// get that far (whatever was started is still in app, for StopApp).
int StartApp(AppProcess *app, const char *program, const char *directory);

// Waits (bounded) until the process has ended; 0 with its exit code, or -1
// when it is still running.
int WaitForExit(AppProcess *app, DWORD timeout_ms, DWORD *exit_code);

// Ends the process if it still runs: WM_CLOSE to its main window, then, if
// that is not enough in a few seconds, TerminateProcess. Releases the
// handles. Safe to call more than once.
void StopApp(AppProcess *app);

#endif
