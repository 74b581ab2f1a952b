// How long kavroview's window takes to answer a sent message while live,
// seen from another process: kavroview.exe on the simulated camera, pinged
// with WM_NULL (SendMessageTimeout) PINGS times with each of three cameras,
// set up with the simulator's knobs as the end-to-end test sets them: one
// answering at once, one taking a second per frame, and one whose driver
// keeps the caller waiting inside the request.
//
// usage: kavroview_answer.exe KAVROVIEW.exe [PINGS]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "process_figures.h"
#include "program.h"
#include "sim_controls.h"
#include "summary.h"

namespace {

// Generous: a window that takes this long to answer is hung, not slow.
const UINT PING_LIMIT_MS = 2000;
const DWORD GAP_MS = 20;
// The camera's new pace is in force after the request in flight: a
// second-per-frame camera's request is answered within two seconds.
const DWORD SETTLE_MS = 2500;

struct CameraCase {
    const char *camera;
    DWORD delay_ms, block_in_request;
};
const CameraCase CASES[] = {
    {"answering at once", 0, 0},
    {"a second per frame", 1000, 0},
    {"waiting inside the request", 1000, 1},
};

}  // namespace

int main(int argc, char **argv)
{
    int pings = argc > 2 ? atoi(argv[2]) : 200;
    if (argc < 2 || argc > 3 || pings <= 0) {
        fprintf(stderr, "usage: kavroview_answer KAVROVIEW.exe [PINGS]\n");
        return 2;
    }
    if (ClearKnobs() != 0) {
        fprintf(stderr, "kavroview_answer: no simulated camera\n");
        return 1;
    }
    char command_line[MAX_PATH + 8];
    snprintf(command_line, sizeof command_line, "\"%s\"", argv[1]);
    Program app = {};
    if (LaunchProgram(&app, command_line, NULL) != 0
        || WaitForProgramWindow(&app, "KAVROVIEW", 20000) != 0) {
        fprintf(stderr, "kavroview_answer: kavroview did not show its window\n");
        EndProgram(&app);
        return 1;
    }
    Sleep(SETTLE_MS);
    printf("kavroview answers WM_NULL from another process, %d pings %lu ms apart\n", pings,
           (unsigned long)GAP_MS);
    int result = 0;
    for (const CameraCase &c : CASES) {
        if (SetKnob(EZUSBSIM_VALUE_DELAY_MS, c.delay_ms) != 0
            || SetKnob(EZUSBSIM_VALUE_BLOCK_IN_REQUEST, c.block_in_request) != 0) {
            fprintf(stderr, "kavroview_answer: the camera's knobs could not be set\n");
            result = 1;
            break;
        }
        Sleep(SETTLE_MS);
        std::vector<double> times;
        int unanswered = 0;
        for (int i = 0; i < pings; i++) {
            double ms = 0;
            if (PingWindow(app.window, PING_LIMIT_MS, &ms) == 0)
                times.push_back(ms);
            else
                unanswered++;
            Sleep(GAP_MS);
        }
        Summary s = Summarize(times);
        printf("camera %-27s median %6.3f  p99 %6.3f  worst %7.3f ms  (%d answers, %d none)\n",
               c.camera, s.median, s.p99, s.max, s.count, unanswered);
        fflush(stdout);
        if (unanswered > 0)
            result = 1;
    }
    // The driver lets its held request go before the window is closed.
    SetKnob(EZUSBSIM_VALUE_BLOCK_IN_REQUEST, 0);
    SetKnob(EZUSBSIM_VALUE_DELAY_MS, 0);
    EndProgram(&app);
    return result;
}
