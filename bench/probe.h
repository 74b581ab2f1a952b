// What the benchmark drivers share: a clock, a cheap reader of screen
// pixels, the program under measurement as a process, and the summary of a
// series of timings. Everything is seen from outside, the way a user sees
// it: the measured programs are not instrumented.
#ifndef PUKAVRO_BENCH_PROBE_H
#define PUKAVRO_BENCH_PROBE_H

#include <windows.h>
#include <stdint.h>

#include <vector>

// Milliseconds from an arbitrary origin, sub-millisecond resolution.
double NowMs();

// A screen reader that keeps its memory DC and bitmap between readings, so
// that one reading costs one copy from the screen and nothing else.
struct ScreenProbe {
    HDC screen;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ previous;
    const uint32_t *bits;  // top row first, 0x00RRGGBB after masking
    int width;
    int height;
};

// 0 or -1. A probe reads rectangles of at most width x height pixels.
int OpenProbe(ScreenProbe *probe, int width, int height);
void CloseProbe(ScreenProbe *probe);

// Copies the screen rectangle at (x, y) into rgb (width * height values,
// 0xRRGGBB, top row first). 0 or -1.
int ReadScreenRect(ScreenProbe *probe, int x, int y, int width, int height, uint32_t *rgb);

// The bitmap bits of a 96 x 72 bottom-up BGR picture as the screen shows
// them: 0xRRGGBB, top row first.
void PictureToRgb(const uint8_t *bits, uint32_t *rgb);

// A visible top-level window of class_name that belongs to process_id, or
// NULL.
HWND FindProgramWindow(DWORD process_id, const char *class_name);

struct Program {
    PROCESS_INFORMATION info;  // hProcess NULL when nothing runs
    HWND window;
};

// Starts command_line (the program's path first) and returns at once; the
// caller times and waits. 0 or -1.
int LaunchProgram(Program *program, const char *command_line);

// Waits (bounded) for the program's visible main window. 0 or -1.
int WaitForProgramWindow(Program *program, const char *class_name, DWORD timeout_ms);

// WM_CLOSE to its window, then TerminateProcess if it does not end within a
// few seconds; closes the handles. Safe on a program that never started.
void EndProgram(Program *program);

struct Summary {
    int count;
    double median;
    double p95;  // nearest rank
    double min;
    double max;
};

Summary Summarize(std::vector<double> values);

#endif
