// A Windows program under test or measurement, as a separate process:
// started in a folder, found by its top-level window, and always ended,
// politely first.
#ifndef PUKAVRO_TESTS_PROGRAM_H
#define PUKAVRO_TESTS_PROGRAM_H

#include <windows.h>

struct Program {
    PROCESS_INFORMATION info;  // hProcess is NULL when nothing was started
    HWND window;               // its main window, once found
};

// Starts command_line (UTF-8, the program's path first, quoted if need be)
// with directory as its working directory (NULL: this one) and returns at
// once; the caller waits and times. 0, or -1 when nothing was started.
int LaunchProgram(Program *program, const char *command_line, const char *directory);

// Starts command_line as LaunchProgram does, but from a Unix shell with
// LC_ALL=locale: Wine 8 takes a program's interface language from the Unix
// environment it starts in, never from the Windows one CreateProcess hands
// over. Wine gives nothing back for a process started so, so it is found by
// its file name among those that were not running before (bounded), and
// given without its thread (hThread NULL, dwThreadId 0). 0, or -1 when none
// came.
int LaunchProgramFromUnix(Program *program, const char *command_line, const char *directory,
                          const char *locale);

// A top-level window of process_id with the given class (only a visible
// one, if visible_only), or NULL.
HWND FindProcessWindow(DWORD process_id, const char *class_name, int visible_only);

// The window that has the keyboard focus in a thread, or NULL.
HWND KeyboardFocus(DWORD thread_id);

// Waits (bounded) for the program's visible top-level window of class_name
// and keeps it in program->window. 0, or -1 when none came or the program
// ended first.
int WaitForProgramWindow(Program *program, const char *class_name, DWORD timeout_ms);

// 1 while the process runs, else 0.
int ProgramRunning(const Program *program);

// Waits (bounded) until the process has ended; 0 with its exit code, or -1
// when it still runs.
int WaitForExit(Program *program, DWORD timeout_ms, DWORD *exit_code);

// Ends the process if it still runs: WM_CLOSE to its window, then, if that
// is not enough within HANG_MS, TerminateProcess. Releases the
// handles. Safe on a program that never started, and more than once.
void EndProgram(Program *program);

#endif
