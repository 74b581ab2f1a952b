// kavroview's live picture against a floor, in this one process under Wine
// against the simulated camera, paced like a full-speed camera (each request
// answered DELAY_MS late):
// - live at zoom 4 and at zoom 8: the real window (kavroview's own window
//   procedure, resources and capture thread) on the real timed camera, with
//   the seam's take wrapped to note each frame's arrival and the window
//   subclassed to time each WM_PAINT. It counts the frames PAINTED, each
//   frame's time from its arrival (the take returned) to the end of the
//   paint that first shows it, each paint's cost, the window thread's
//   processor time (GetThreadTimes) over the phase, and how long each take
//   took;
// - floor: frames taken back to back through the same wrapped seam,
//   nothing shown.
// Each phase makes what it needs afresh and is counted from WARMUP_MS after
// its first frame for PHASE_SECONDS. ROUNDS rounds of the three phases, the
// order turning each round, so load from elsewhere falls on all alike.
//
// usage: kavroview_live.exe [DELAY_MS [PHASE_SECONDS [ROUNDS]]]
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "clock.h"
#include "ezusb_device.h"
#include "sim_controls.h"
#include "summary.h"
#include "timed_capture.h"
#include "view_resource.h"
#include "view_window.h"

namespace {

const double WARMUP_MS = 500;
// A phase whose first frame takes longer has no camera.
const double FIRST_FRAME_MS = 10000;
const DWORD CAPTURE_END_MS = 5000;
// Frames a phase can note: far more than a phase takes.
const uint32_t MAX_FRAMES = 100000;

enum PhaseKind { PHASE_FLOOR, PHASE_ZOOM_4, PHASE_ZOOM_8, PHASE_KINDS };
const char *const PHASE_NAMES[PHASE_KINDS] = {"floor", "zoom 4", "zoom 8"};
const int PHASE_ZOOMS[PHASE_KINDS] = {0, 4, 8};

// The phase under way, as the capture thread and the window see it.
CameraSeam g_camera;
std::atomic<uint32_t> g_taken;
double g_arrival_ms[MAX_FRAMES + 1];  // of frame k (1-based), as the capture thread numbers it
double g_first_frame_ms;              // 0 until the phase's first frame (painted, when live)
double g_count_from_ms, g_count_to_ms;
double g_phase_ms;

ViewWindow *g_view;
WNDPROC g_view_proc;
uint32_t g_last_painted;
int g_painted;
std::vector<double> g_paint_ms, g_latency_ms;
// On the capture thread (the floor's: this one); read once it has ended.
std::vector<double> g_take_ms;

bool Counting(double ms)
{
    return g_first_frame_ms > 0 && ms >= g_count_from_ms && ms < g_count_to_ms;
}

void NoteFirstFrame(double ms)
{
    if (g_first_frame_ms > 0)
        return;
    g_first_frame_ms = ms;
    g_count_from_ms = ms + WARMUP_MS;
    g_count_to_ms = g_count_from_ms + g_phase_ms;
}

// The seam's take, noting when each frame came back and how long the take
// took.
CameraOutcome MeasuredTake(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                           uint32_t *got, FrameStamp *stamp)
{
    double start = NowMs();
    CameraOutcome outcome = g_camera.take_frame(camera, ask, stop, frame, got, stamp);
    double end = NowMs();
    if (Counting(start) && Counting(end))
        g_take_ms.push_back(end - start);
    // One capture thread a phase: the time is there before the count says so.
    uint32_t k = g_taken.load() + 1;
    if (outcome == CAMERA_FRAME && k <= MAX_FRAMES) {
        g_arrival_ms[k] = end;
        g_taken = k;
    }
    return outcome;
}

// The window's own procedure, with each WM_PAINT timed.
LRESULT CALLBACK MeasuredViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return CallWindowProcW(g_view_proc, window, message, wParam, lParam);
    double start = NowMs();
    LRESULT result = CallWindowProcW(g_view_proc, window, message, wParam, lParam);
    double end = NowMs();
    uint32_t number = g_view->shown_number;
    bool new_frame = g_view->have_frame && number != g_last_painted && number <= MAX_FRAMES;
    if (new_frame) {
        NoteFirstFrame(end);
        g_last_painted = number;
    }
    if (Counting(end)) {
        g_paint_ms.push_back(end - start);
        if (new_frame) {
            g_painted++;
            g_latency_ms.push_back(end - g_arrival_ms[number]);
        }
    }
    return result;
}

double ThreadSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user))
        return 0;
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

struct Result {
    double fps;           // frames painted (the floor: taken) per second
    double taken_fps;     // frames taken per second
    double thread_share;  // the window thread's processor time over the phase's
};

enum PhaseOutcome { PHASE_MEASURED, PHASE_FAILED };

void StartPhase(double seconds)
{
    g_phase_ms = seconds * 1000;
    g_taken = 0;
    g_first_frame_ms = 0;
    g_count_from_ms = g_count_to_ms = 0;
}

uint32_t TakenBy(double ms)
{
    uint32_t taken = std::min<uint32_t>(g_taken.load(), MAX_FRAMES);
    uint32_t count = 0;
    for (uint32_t k = 1; k <= taken; k++)
        if (g_arrival_ms[k] >= g_count_from_ms && g_arrival_ms[k] < ms)
            count++;
    return count;
}

PhaseOutcome RunFloor(double seconds, Result *result)
{
    StartPhase(seconds);
    CameraSeam seam = g_camera;
    seam.take_frame = MeasuredTake;
    void *camera = seam.open(EZUSB_DEVICE_PATH);
    if (camera == NULL)
        return PHASE_FAILED;
    static RawFrame frame;
    PhaseOutcome outcome = PHASE_MEASURED;
    for (;;) {
        uint32_t got = 0;
        CameraOutcome taken =
            seam.take_frame(camera, {TAKE_NEXT, LIVE_TIMEOUT_MS, 0, true}, NULL, frame, &got, NULL);
        double now = NowMs();
        if (taken != CAMERA_FRAME) {
            outcome = PHASE_FAILED;
            break;
        }
        NoteFirstFrame(now);
        if (now >= g_count_to_ms)
            break;
    }
    seam.close(camera);
    result->fps = result->taken_fps = TakenBy(g_count_to_ms) / seconds;
    result->thread_share = 0;
    return outcome;
}

// Handles the window's messages until ms on the clock, or false when the
// queue ended.
bool PumpUntil(double ms)
{
    for (;;) {
        double now = NowMs();
        if (now >= ms)
            return true;
        MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)(ms - now) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return false;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

PhaseOutcome RunLive(HINSTANCE instance, int zoom, double seconds, Result *result)
{
    StartPhase(seconds);
    g_last_painted = 0;
    g_painted = 0;
    ViewWindow *view = new ViewWindow();
    g_view = view;
    view->live.seam = g_camera;
    view->live.seam.take_frame = MeasuredTake;
    view->live.device = EZUSB_DEVICE_PATH;
    HWND window = CreateViewWindow(instance, view, SW_SHOWNORMAL);
    if (window == NULL)
        return PHASE_FAILED;
    g_view_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MeasuredViewProc)));
    SendMessageW(window, WM_COMMAND, CMD_ZOOM_1 + zoom - 1, 0);

    PhaseOutcome outcome = PHASE_FAILED;
    double start = NowMs();
    while (g_first_frame_ms == 0 && NowMs() - start < FIRST_FRAME_MS)
        PumpUntil(NowMs() + 20);
    if (g_first_frame_ms > 0) {
        PumpUntil(g_count_from_ms);
        double thread_before = ThreadSeconds();
        PumpUntil(g_count_to_ms);
        double thread_seconds = ThreadSeconds() - thread_before;
        result->fps = g_painted / seconds;
        result->taken_fps = TakenBy(g_count_to_ms) / seconds;
        result->thread_share = thread_seconds / seconds;
        outcome = PHASE_MEASURED;
    }
    DestroyWindow(window);
    PumpUntil(NowMs() + 50);
    // The next phase counts afresh: this capture thread must be gone.
    if (WaitForSingleObject(view->capture_thread, CAPTURE_END_MS) != WAIT_OBJECT_0)
        return PHASE_FAILED;
    return outcome;
}

void PrintRange(const char *what, const std::vector<double> &values, const char *goal)
{
    Summary s = Summarize(values);
    printf("%-32s median %7.3f  range %.3f to %.3f%s\n", what, s.median, s.min, s.max, goal);
}

void PrintSummary(const char *what, const std::vector<double> &values, const char *unit)
{
    Summary s = Summarize(values);
    printf("%-32s median %7.3f  p99 %7.3f  worst %7.3f %s  (%d)\n", what, s.median, s.p99, s.max,
           unit, s.count);
}

}  // namespace

int main(int argc, char **argv)
{
    DWORD delay_ms = argc > 1 ? (DWORD)atoi(argv[1]) : 5;
    double seconds = argc > 2 ? atof(argv[2]) : 3;
    int rounds = argc > 3 ? atoi(argv[3]) : 3;
    if (argc > 4 || seconds <= 0 || rounds <= 0) {
        fprintf(stderr, "usage: kavroview_live [DELAY_MS [PHASE_SECONDS [ROUNDS]]]\n");
        return 2;
    }
    HINSTANCE instance = GetModuleHandleW(NULL);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (RegisterViewClass(instance) == 0 || SetKnob(EZUSBSIM_VALUE_DELAY_MS, delay_ms) != 0) {
        fprintf(stderr, "kavroview_live: no window class or no simulated camera\n");
        return 1;
    }
    g_camera = TimedCameraSeam();
    printf("kavroview live: each request answered %lu ms late, %d rounds of %.1f s phases\n",
           (unsigned long)delay_ms, rounds, seconds);

    std::vector<double> fps[PHASE_KINDS], ratios[PHASE_KINDS], shares[PHASE_KINDS];
    std::vector<double> latencies[PHASE_KINDS], paints[PHASE_KINDS], takes[PHASE_KINDS];
    int result = 0;
    for (int round = 0; round < rounds && result == 0; round++) {
        Result measured[PHASE_KINDS] = {};
        for (int i = 0; i < PHASE_KINDS; i++) {
            int kind = (round + i) % PHASE_KINDS;
            Result &r = measured[kind];
            g_paint_ms.clear();
            g_latency_ms.clear();
            g_take_ms.clear();
            PhaseOutcome outcome = kind == PHASE_FLOOR
                                       ? RunFloor(seconds, &r)
                                       : RunLive(instance, PHASE_ZOOMS[kind], seconds, &r);
            if (outcome != PHASE_MEASURED) {
                fprintf(stderr, "kavroview_live: round %d, %s: no frames\n", round + 1,
                        PHASE_NAMES[kind]);
                result = 1;
                break;
            }
            fps[kind].push_back(r.fps);
            shares[kind].push_back(r.thread_share * 100);
            latencies[kind].insert(latencies[kind].end(), g_latency_ms.begin(), g_latency_ms.end());
            paints[kind].insert(paints[kind].end(), g_paint_ms.begin(), g_paint_ms.end());
            takes[kind].insert(takes[kind].end(), g_take_ms.begin(), g_take_ms.end());
            if (kind == PHASE_FLOOR)
                printf("round %d %-7s taken %6.2f fps\n", round + 1, PHASE_NAMES[kind], r.fps);
            else
                printf("round %d %-7s painted %6.2f fps (taken %6.2f), window thread %5.1f %%\n",
                       round + 1, PHASE_NAMES[kind], r.fps, r.taken_fps, r.thread_share * 100);
            fflush(stdout);
        }
        for (int kind = PHASE_ZOOM_4; kind < PHASE_KINDS && result == 0; kind++)
            if (measured[PHASE_FLOOR].fps > 0)
                ratios[kind].push_back(measured[kind].fps / measured[PHASE_FLOOR].fps);
    }
    SetKnob(EZUSBSIM_VALUE_DELAY_MS, 0);
    if (result != 0)
        return result;

    printf("\n");
    PrintRange("floor taken fps", fps[PHASE_FLOOR], "");
    PrintSummary("floor take", takes[PHASE_FLOOR], "ms");
    for (int kind = PHASE_ZOOM_4; kind < PHASE_KINDS; kind++) {
        const char *name = PHASE_NAMES[kind];
        char what[64];
        snprintf(what, sizeof what, "%s painted fps", name);
        PrintRange(what, fps[kind], "");
        snprintf(what, sizeof what, "%s painted/floor (a round)", name);
        PrintRange(what, ratios[kind], "  (goal: at least 0.95)");
        snprintf(what, sizeof what, "%s take", name);
        PrintSummary(what, takes[kind], "ms");
        snprintf(what, sizeof what, "%s arrival to paint", name);
        PrintSummary(what, latencies[kind], "ms");
        snprintf(what, sizeof what, "%s paint", name);
        PrintSummary(what, paints[kind], "ms");
        snprintf(what, sizeof what, "%s window thread, %% a core", name);
        PrintRange(what, shares[kind], "");
    }
    return 0;
}
