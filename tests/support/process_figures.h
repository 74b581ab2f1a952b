// What the tests can see of the program's resources from outside, under
// Wine: its handles (the system's handle list), its threads (a Toolhelp
// snapshot) and its memory (working set and pagefile usage, which Wine reads
// from the resident pages of the Unix process: memory committed but never
// touched does not show). Not GetProcessHandleCount or private usage: Wine 8
// reports 0 for both in another process, so they could never show a leak.
#ifndef PUKAVRO_TESTS_PROCESS_FIGURES_H
#define PUKAVRO_TESTS_PROCESS_FIGURES_H

#include <windows.h>

struct ProcessFigures {
    int handles;
    int threads;
    SIZE_T working_set;     // bytes
    SIZE_T pagefile_usage;  // bytes committed
};

// Threads of the process right now, or -1.
int CountThreads(DWORD process_id);

// Handles the process holds right now, from the system's handle list, or -1.
int CountHandles(DWORD process_id);

// One reading. 0 or -1.
int ReadProcessFigures(HANDLE process, DWORD process_id, ProcessFigures *figures);

// A reading once the process is at rest: the worker of the last capture
// may still be ending after the buttons came back, so the thread and handle
// counts must read the same several times in a row (bounded). 0 or -1.
int ReadRestingFigures(HANDLE process, DWORD process_id, ProcessFigures *figures);

// Sends WM_NULL, waiting at most limit_ms for the answer (and not at all
// for a window the system already knows is hung). 0 with the round trip in
// milliseconds, or -1 when no answer came.
int PingWindow(HWND window, UINT limit_ms, double *ms);

#endif
