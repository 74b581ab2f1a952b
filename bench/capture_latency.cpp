// Capture latency, seen from outside: from the click on Capture to the new
// picture on the screen, for pukavro and for the floor program, all in this
// one Wine session against the simulated camera answering at once.
//
// usage: capture_latency.exe PUKAVRO.exe CAPTURE_FLOOR.exe
//            [COUNT [input|message [FLOOR_OPTIONS...]]]
//
// The programs run side by side: pukavro, the floor, and the floor once
// with each set of options given (words joined by "+", see capture_floor;
// by default "reopen+buttons+erase", the floor taking pukavro's steps). They
// take turns in blocks, so a burst of load from elsewhere on the machine
// falls on all of them alike. The first capture of each block is not
// counted: with real input it also moves the pointer and makes that window
// the active one.
//
// "input" (the default) clicks with SendInput, as a mouse does; "message"
// posts BM_CLICK to the button instead. The clock starts just before the
// click is handed to the system and stops at the first reading of the screen
// that shows the camera's next frame, every pixel as the conversion gives it.
// Afterwards the floors' own notes split their captures into steps.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "sim_controls.h"
#include "clock.h"
#include "expected.h"
#include "floors.h"
#include "input.h"
#include "program.h"
#include "screen.h"
#include "stages.h"
#include "summary.h"
#include "wait.h"

// ntdll's own wait: relative times in 100 ns units, so it can wait less
// than a millisecond.
extern "C" LONG NTAPI NtDelayExecution(BOOLEAN alertable, LARGE_INTEGER *interval);

namespace {

const int BLOCK = 5;           // counted captures per turn
const DWORD READY_MS = 5000;   // a capture that takes longer is a failure
const DWORD GAP_MS = 30;       // quiet time before each click
const LONGLONG POLL_US = 250;  // pause between readings of the screen

// What the readings of the screen cost, which bounds the resolution.
int g_readings;
double g_reading_ms;

struct Subject {
    char name[64];
    const char *class_name;
    char command_line[MAX_PATH * 2];
    Program program;
    HWND button;
    POINT picture;  // screen position of the picture's top left pixel
    PreparedClick click;
    std::vector<double> latencies;
    std::vector<Click> clicks;
    int failures;
    char notes_path[MAX_PATH + 32];  // a floor's notes; empty for pukavro
};

// Between readings of the screen: leaves the processor to the programs
// being measured (two cores are shared by all of them, the X server and
// Wine's), at a finer grain than Sleep's millisecond.
void PausePoll()
{
    LARGE_INTEGER interval;
    interval.QuadPart = -10 * POLL_US;  // relative, in 100 ns units
    NtDelayExecution(FALSE, &interval);
}

int ReadFramesSent(HANDLE control, uint32_t *frames_sent)
{
    EzusbsimCounters counters;
    if (ReadCountersFrom(control, &counters) != 0)
        return -1;
    *frames_sent = counters.frames_sent;
    return 0;
}

// The picture the window must show once the camera has sent frame n.
void ExpectedPicture(uint32_t n, uint32_t *rgb)
{
    static uint8_t raw[EZUSBSIM_FRAME_BYTES];
    EzusbsimTestPicture(raw, n);
    FramePictureRgb(raw, rgb);
}

int StartSubject(Subject *subject)
{
    if (LaunchProgram(&subject->program, subject->command_line, NULL) != 0
        || WaitForProgramWindow(&subject->program, subject->class_name, 20000) != 0) {
        fprintf(stderr, "capture_latency: %s did not show its window\n", subject->name);
        return -1;
    }
    subject->button = GetDlgItem(subject->program.window, ID_CAPTURE);
    subject->picture.x = PICTURE_X;
    subject->picture.y = PICTURE_Y;
    if (subject->button == NULL || !ClientToScreen(subject->program.window, &subject->picture)
        || PrepareClick(subject->button, &subject->click) != 0) {
        fprintf(stderr, "capture_latency: %s has no Capture button\n", subject->name);
        return -1;
    }
    return 0;
}

// Everything is worked out beforehand: the clock is running.
int ClickCapture(const Subject *subject, bool real_input)
{
    if (!real_input)
        return PostMessageA(subject->button, BM_CLICK, 0, 0) ? 0 : -1;
    return SendClick(&subject->click);
}

// frame: the number of the frame the capture was to show, -1 if not known.
double Failed(const Subject *subject, const char *why, long frame)
{
    fprintf(stderr, "capture_latency: %s, capture of frame %ld: %s\n", subject->name, frame, why);
    return -1;
}

bool ShowsPicture(ScreenProbe *probe, const Subject *subject, const uint32_t *expected,
                  uint32_t *seen)
{
    if (ReadScreenRect(probe, subject->picture.x, subject->picture.y, PICTURE_WIDTH, PICTURE_HEIGHT,
                       seen)
        != 0)
        return false;
    return memcmp(seen, expected, PICTURE_PIXELS * sizeof(uint32_t)) == 0;
}

// One capture: -1 when it failed (and why is on stderr), otherwise its
// latency in ms. *clicked_at is the clock at the click (0 when there was
// none).
double MeasureCapture(Subject *subject, HANDLE control, ScreenProbe *probe, bool real_input,
                      double *clicked_at)
{
    *clicked_at = 0;
    static uint32_t expected[PICTURE_PIXELS];
    static uint32_t seen[PICTURE_PIXELS];
    // pukavro takes the next click only once Capture is enabled again.
    if (!WaitUntil([subject] { return IsWindowEnabled(subject->button) != FALSE; }, READY_MS))
        return Failed(subject, "Capture stays disabled", -1);
    Sleep(GAP_MS);
    uint32_t n;
    if (ReadFramesSent(control, &n) != 0)
        return Failed(subject, "no counters from the camera", -1);
    ExpectedPicture(n, expected);
    if (ShowsPicture(probe, subject, expected, seen))
        return Failed(subject, "the next frame is on the screen already", n);

    double clicked = NowMs();
    if (ClickCapture(subject, real_input) != 0)
        return Failed(subject, "the click was refused", n);
    *clicked_at = clicked;
    for (;;) {
        double before = NowMs();
        bool shown = ShowsPicture(probe, subject, expected, seen);
        double after = NowMs();
        g_readings++;
        g_reading_ms += after - before;
        if (shown)
            return after - clicked;
        if (after - clicked > READY_MS) {
            uint32_t sent = n;
            ReadFramesSent(control, &sent);
            return Failed(subject, sent == n ? "no frame was read" : "the frame never showed", n);
        }
        PausePoll();
    }
}

void Report(const Subject *subject)
{
    Summary s = Summarize(subject->latencies);
    printf("capture %-13s %4d captures  median %7.2f ms  p95 %7.2f ms  min %7.2f  max %7.2f"
           "  failed %d\n",
           subject->name, s.count, s.median, s.p95, s.min, s.max, subject->failures);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: capture_latency PUKAVRO.exe CAPTURE_FLOOR.exe "
                        "[COUNT [input|message [FLOOR_OPTIONS...]]]\n");
        return 2;
    }
    int count = argc > 3 ? atoi(argv[3]) : 200;
    bool real_input = !(argc > 4 && strcmp(argv[4], "message") == 0);
    std::vector<const char *> options = {"reopen+buttons+erase"};
    if (argc > 5)
        options.assign(argv + 5, argv + argc);
    options.insert(options.begin(), "");  // the floor itself comes first
    if (options.size() > 6)
        options.resize(6);  // side by side with pukavro on a 1024-pixel screen

    std::vector<Subject> subjects(1 + options.size());
    for (size_t i = 0; i < subjects.size(); i++) {
        Subject &subject = subjects[i];
        memset(&subject.program, 0, sizeof subject.program);
        subject.failures = 0;
        subject.notes_path[0] = 0;
        if (i == 0) {
            strcpy(subject.name, "pukavro");
            subject.class_name = MAIN_CLASS_NAME;
            snprintf(subject.command_line, sizeof subject.command_line, "\"%s\"", argv[1]);
            continue;
        }
        // To the right of pukavro, which sits at the left edge.
        int x = (int)i * 150;
        const char *words = options[i - 1];
        snprintf(subject.name, sizeof subject.name, "floor%s%s", words[0] ? "+" : "", words);
        subject.class_name = CAPTURE_FLOOR_CLASS;
        snprintf(subject.command_line, sizeof subject.command_line, "\"%s\" %d %s", argv[2], x,
                 words);
        FloorNotesPath(argv[2], x, subject.notes_path, sizeof subject.notes_path);
        DeleteFileA(subject.notes_path);
    }

    HANDLE control = OpenCameraControl();
    ScreenProbe probe;
    if (control == INVALID_HANDLE_VALUE || OpenProbe(&probe, PICTURE_WIDTH, PICTURE_HEIGHT) != 0) {
        fprintf(stderr, "capture_latency: no simulated camera or no screen\n");
        return 1;
    }
    int result = 0;
    for (Subject &subject : subjects) {
        if (StartSubject(&subject) != 0)
            result = 1;
    }
    printf("capture latency: %s clicks, %d captures each, blocks of %d\n",
           real_input ? "real (SendInput)" : "BM_CLICK", count, BLOCK);

    bool done = result != 0;
    while (!done) {
        done = true;
        for (Subject &subject : subjects) {
            if ((int)subject.latencies.size() >= count)
                continue;
            done = false;
            // i = -1: the turn's first click, not counted.
            for (int i = -1; i < BLOCK && (int)subject.latencies.size() < count; i++) {
                double clicked;
                double ms = MeasureCapture(&subject, control, &probe, real_input, &clicked);
                if (ms < 0)
                    subject.failures++;
                else if (i >= 0)
                    subject.latencies.push_back(ms);
                if (clicked > 0) {
                    Click click = {clicked, ms < 0 ? -1.0 : clicked + ms, i >= 0};
                    subject.clicks.push_back(click);
                }
            }
            if (subject.failures > 10) {
                fprintf(stderr, "capture_latency: %s keeps failing\n", subject.name);
                result = 1;
                done = true;
                break;
            }
        }
    }

    for (Subject &subject : subjects)
        Report(&subject);
    if (g_readings > 0)
        printf("capture screen readings: %d, %.3f ms each on average\n", g_readings,
               g_reading_ms / g_readings);
    Summary program = Summarize(subjects[0].latencies);
    Summary floor = Summarize(subjects[1].latencies);
    if (floor.median > 0 && floor.p95 > 0)
        printf("capture ratio pukavro/floor  median %.2f  p95 %.2f\n",
               program.median / floor.median, program.p95 / floor.p95);

    // The floors write their notes as they end.
    for (Subject &subject : subjects)
        EndProgram(&subject.program);
    for (Subject &subject : subjects) {
        if (subject.notes_path[0] != 0
            && ReportStages(subject.name, subject.notes_path, subject.clicks) != 0)
            result = 1;
    }
    CloseProbe(&probe);
    CloseHandle(control);
    return result;
}
