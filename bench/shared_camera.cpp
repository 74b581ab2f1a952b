// One camera shared by several programs, under Wine against the simulated
// camera, each program a process of its own: copies of this executable,
// started by it ("program" on the command line), each binding the camera
// through the tools' real seam (TimedCameraSeam) and doing what this driver
// tells it through a page of shared memory and a pair of events.
//
// - streams: 1, 2 and 4 programs taking TAKE_NEXT frames as fast as the
//   camera gives them (each request answered DELAY_MS late) for SECONDS
//   (four programs started once; each binds the camera for its streams only,
//   so the others have none meanwhile):
//   each program's frames a second against one program alone, the camera's
//   conversations a second (the simulator's vendor requests) against one
//   alone, the sequence numbers each program skipped, and the simulator's
//   overlaps; and, from the stamps, each result's way from its publishing
//   to each program and the time from one result's publishing to the next.
//   ROUNDS rounds, the order of the three turning each round.
// - stills: a TAKE_FRESH still every PERIOD_MS, STILLS times, from one
//   program alone, beside an idle program that holds the taker role, and
//   beside a program taking TAKE_NEXT frames flat out: from asking to
//   receiving.
// - hand-over: the taker (found by ReadCameraHolder, or where that names
//   none, by the board's own record of it) ended by
//   TerminateProcess right after its own frame, or 50 ms after it with the
//   camera idle; then another program asks for a TAKE_FRESH still: from the
//   death to that frame. HANDOVERS times, the two moments taking turns.
// - a late next: a program that did not ask while another took a frame,
//   then asks TAKE_NEXT with a time-out of NEXT_TIMEOUT_MS: what it gets and
//   when.
//
// usage: shared_camera.exe [SECONDS [ROUNDS [STILLS [HANDOVERS [DELAY_MS]]]]]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "camera.h"
#include "camera_client.h"
#include "clock.h"
#include "ezusb_device.h"
#include "frame.h"
#include "program.h"
#include "sim_controls.h"
#include "summary.h"
#include "timed_capture.h"

namespace {

const int PAGES = 64;           // programs started in one run, reused in turn
const DWORD ANSWER_MS = 30000;  // a program that does not answer within this has hung
const DWORD TAKE_TIMEOUT_MS = 5000;
const double WARMUP_MS = 700;   // streams: counted from this long after they began
const DWORD PERIOD_MS = 1000;   // between stills
const DWORD IDLE_KILL_MS = 50;  // hand-over: the idle moment after the taker's frame
const DWORD NEXT_TIMEOUT_MS = 3000;

enum Command { CMD_NONE, CMD_OPEN, CMD_STREAM, CMD_TAKE, CMD_CLOSE, CMD_EXIT };

// One program's page: the driver writes the command, the program the rest.
struct Page {
    LONG command;
    TakeKind kind;
    uint32_t interval_ms;
    uint32_t timeout_ms;
    double from_ms, to_ms;  // CMD_STREAM: counted from, taken until
    // The program's answers.
    DWORD pid;
    int opened;
    uint32_t frames;    // CMD_STREAM: frames received within the count
    uint32_t failures;  // takes that were not frames, the whole stream
    int first_failure;
    uint64_t skipped;  // sequence numbers skipped by the frames counted
    uint64_t first_sequence, last_sequence;
    // Of the frames counted: from the result's publishing to its receipt
    // here, and from one result's publishing to the next's (none skipped).
    double delivery_median_ms, delivery_p95_ms, cycle_median_ms, cycle_p95_ms;
    // The stream's first frame, counted or not: after how long, skipping how many.
    double first_frame_after_ms;
    uint64_t first_frame_skipped;
    double asked_ms, received_ms;  // CMD_TAKE
    int outcome;
    FrameStamp stamp;
};

struct Shared {
    Page pages[PAGES];
};

std::wstring ObjectName(DWORD driver_pid, const wchar_t *what, int index)
{
    return L"Local\\pukavro-shared-bench-" + std::to_wstring(driver_pid) + L"-" + what + L"-"
           + std::to_wstring(index);
}

HANDLE MakeShared(DWORD driver_pid, bool create)
{
    std::wstring name = ObjectName(driver_pid, L"pages", 0);
    if (create)
        return CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(Shared),
                                  name.c_str());
    return OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str());
}

// ---------------------------------------------------------------- a program

int ProgramMain(DWORD driver_pid, int index)
{
    HANDLE mapping = MakeShared(driver_pid, false);
    HANDLE go = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                           ObjectName(driver_pid, L"go", index).c_str());
    HANDLE done = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                             ObjectName(driver_pid, L"done", index).c_str());
    HANDLE driver = OpenProcess(SYNCHRONIZE, FALSE, driver_pid);
    if (mapping == NULL || go == NULL || done == NULL || driver == NULL)
        return 3;
    Shared *shared =
        static_cast<Shared *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Shared)));
    if (shared == NULL)
        return 3;
    Page *page = &shared->pages[index];
    page->pid = GetCurrentProcessId();
    CameraSeam seam = TimedCameraSeam();
    void *camera = NULL;
    static uint8_t frame[RAW_FRAME_BYTES];
    for (;;) {
        // The driver ending ends its programs too.
        HANDLE waits[2] = {go, driver};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            break;
        LONG command = page->command;
        if (command == CMD_EXIT)
            break;
        if (command == CMD_OPEN) {
            camera = seam.open(EZUSB_DEVICE_PATH);
            page->opened = camera != NULL;
        } else if (command == CMD_CLOSE) {
            if (camera != NULL)
                seam.close(camera);
            camera = NULL;
        } else if (command == CMD_STREAM && camera != NULL) {
            page->frames = page->failures = 0;
            page->first_failure = CAMERA_FRAME;
            page->skipped = page->first_sequence = page->last_sequence = 0;
            TakeAsk ask = {TAKE_NEXT, page->timeout_ms, page->interval_ms, true};
            std::vector<double> delivery, cycle;
            int64_t last_us = 0;
            double began = NowMs();
            page->first_frame_after_ms = -1;
            for (;;) {
                uint32_t got = 0;
                FrameStamp stamp = {0, 0, 0, 0};
                CameraOutcome outcome = seam.take_frame(camera, ask, NULL, frame, &got, &stamp);
                double now = NowMs();
                if (outcome != CAMERA_FRAME) {
                    if (page->failures++ == 0)
                        page->first_failure = outcome;
                } else if (now >= page->from_ms && now < page->to_ms) {
                    if (page->frames++ == 0)
                        page->first_sequence = stamp.sequence;
                    page->last_sequence = stamp.sequence;
                    page->skipped += stamp.skipped;
                    delivery.push_back(now - stamp.monotonic_us / 1000.0);
                    if (last_us != 0 && stamp.skipped == 0)
                        cycle.push_back((stamp.monotonic_us - last_us) / 1000.0);
                }
                if (outcome == CAMERA_FRAME && last_us == 0) {
                    page->first_frame_after_ms = now - began;
                    page->first_frame_skipped = stamp.skipped;
                }
                if (outcome == CAMERA_FRAME)
                    last_us = stamp.monotonic_us;
                if (now >= page->to_ms)
                    break;
            }
            Summary d = Summarize(delivery), c = Summarize(cycle);
            page->delivery_median_ms = d.median;
            page->delivery_p95_ms = d.p95;
            page->cycle_median_ms = c.median;
            page->cycle_p95_ms = c.p95;
        } else if (command == CMD_TAKE && camera != NULL) {
            TakeAsk ask = {page->kind, page->timeout_ms, page->interval_ms, false};
            uint32_t got = 0;
            FrameStamp stamp = {0, 0, 0, 0};
            page->asked_ms = NowMs();
            CameraOutcome outcome = seam.take_frame(camera, ask, NULL, frame, &got, &stamp);
            page->received_ms = NowMs();
            page->outcome = outcome;
            page->stamp = stamp;
        }
        SetEvent(done);
    }
    if (camera != NULL)
        seam.close(camera);
    return 0;
}

// ----------------------------------------------------------------- the driver

struct Child {
    Program program;
    int index;
    HANDLE go, done;
    Page *page;
};

Shared *g_shared;
int g_next_page;

// Starts a copy of this program on a page of its own. NULL when it did not
// start.
Child *StartProgram()
{
    Child *child = new Child();
    child->index = g_next_page++ % PAGES;
    child->page = &g_shared->pages[child->index];
    memset(child->page, 0, sizeof *child->page);
    DWORD me = GetCurrentProcessId();
    child->go = CreateEventW(NULL, FALSE, FALSE, ObjectName(me, L"go", child->index).c_str());
    child->done = CreateEventW(NULL, FALSE, FALSE, ObjectName(me, L"done", child->index).c_str());
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    char line[MAX_PATH + 64];
    snprintf(line, sizeof line, "\"%s\" program %lu %d", path, (unsigned long)me, child->index);
    if (child->go == NULL || child->done == NULL
        || LaunchProgram(&child->program, line, NULL) != 0) {
        fprintf(stderr, "shared_camera: could not start a program\n");
        return NULL;
    }
    return child;
}

void Tell(Child *child, Command command)
{
    child->page->command = command;
    SetEvent(child->go);
}

bool Answered(Child *child, DWORD timeout_ms = ANSWER_MS)
{
    HANDLE waits[2] = {child->done, child->program.info.hProcess};
    if (WaitForMultipleObjects(2, waits, FALSE, timeout_ms) == WAIT_OBJECT_0)
        return true;
    fprintf(stderr, "shared_camera: program %lu did not answer\n",
            (unsigned long)child->program.info.dwProcessId);
    return false;
}

// A program that has bound the camera.
Child *StartOpened()
{
    Child *child = StartProgram();
    if (child == NULL)
        return NULL;
    Tell(child, CMD_OPEN);
    if (!Answered(child) || !child->page->opened) {
        fprintf(stderr, "shared_camera: a program could not bind the camera\n");
        return NULL;
    }
    return child;
}

void EndChild(Child *child)
{
    if (child == NULL)
        return;
    if (ProgramRunning(&child->program)) {
        Tell(child, CMD_EXIT);
        DWORD code;
        if (WaitForExit(&child->program, ANSWER_MS, &code) != 0)
            TerminateProcess(child->program.info.hProcess, 1);
    }
    EndProgram(&child->program);
    CloseHandle(child->go);
    CloseHandle(child->done);
    delete child;
}

// The taker's pid; 0: none.
DWORD HolderPid()
{
    CameraHolder holder;
    return ReadCameraHolder(EZUSB_DEVICE_PATH, &holder) ? holder.pid : 0;
}

// Waits (bounded) until the program named holds the taker role.
bool WaitHolder(Child *child)
{
    double start = NowMs();
    while (NowMs() - start < ANSWER_MS) {
        if (HolderPid() == child->program.info.dwProcessId)
            return true;
        Sleep(1);
    }
    fprintf(stderr, "shared_camera: program %lu never held the camera\n",
            (unsigned long)child->program.info.dwProcessId);
    return false;
}

bool Take(Child *child, TakeKind kind, uint32_t timeout_ms = TAKE_TIMEOUT_MS)
{
    child->page->kind = kind;
    child->page->timeout_ms = timeout_ms;
    child->page->interval_ms = 0;
    Tell(child, CMD_TAKE);
    return Answered(child);
}

bool ReadSim(EzusbsimCounters *counters)
{
    if (ReadCounters(counters) == 0)
        return true;
    fprintf(stderr, "shared_camera: no simulated camera\n");
    return false;
}

const char *OutcomeName(int outcome)
{
    static const char *const names[] = {"frame",      "not found", "request failed",
                                        "short read", "timed out", "stuck",
                                        "held",       "stopped",   "other user"};
    return outcome >= 0 && outcome < 9 ? names[outcome] : "?";
}

void Print(const char *what, const Summary &s, const char *unit)
{
    printf("%-40s median %7.2f  p95 %7.2f  worst %7.2f  best %7.2f %s  (%d)\n", what, s.median,
           s.p95, s.max, s.min, unit, s.count);
}

// ------------------------------------------------------------------ streams

struct StreamResult {
    std::vector<double> fps;  // each program's
    std::vector<uint64_t> skipped;
    std::vector<double> delivery_ms, cycle_ms;  // each program's medians
    double conversations_per_s;
    uint32_t overlaps;
    uint32_t failures;
};

// The first count programs of pool bind the camera, take their frames and
// let it go again; the rest have no camera meanwhile.
bool RunStreams(const std::vector<Child *> &pool, int count, double seconds, StreamResult *result)
{
    std::vector<Child *> children(pool.begin(), pool.begin() + count);
    EzusbsimCounters before, from, to, after;
    bool ok = ReadSim(&before);
    for (Child *child : children) {
        Tell(child, CMD_OPEN);
        ok = ok && Answered(child) && child->page->opened;
    }
    if (ok) {
        double from_ms = NowMs() + WARMUP_MS;
        double to_ms = from_ms + seconds * 1000;
        for (Child *child : children) {
            child->page->from_ms = from_ms;
            child->page->to_ms = to_ms;
            child->page->timeout_ms = TAKE_TIMEOUT_MS;
            child->page->interval_ms = 0;
            Tell(child, CMD_STREAM);
        }
        while (NowMs() < from_ms)
            Sleep(1);
        double read_from = NowMs();
        ok = ReadSim(&from);
        while (ok && NowMs() < to_ms)
            Sleep(1);
        double read_to = NowMs();
        ok = ok && ReadSim(&to);
        for (Child *child : children)
            ok = Answered(child, (DWORD)(seconds * 1000) + ANSWER_MS) && ok;
        result->conversations_per_s =
            (to.vendor_requests - from.vendor_requests) * 1000.0 / (read_to - read_from);
        result->failures = 0;
        for (Child *child : children) {
            result->fps.push_back(child->page->frames / seconds);
            result->skipped.push_back(child->page->skipped);
            result->delivery_ms.push_back(child->page->delivery_median_ms);
            result->cycle_ms.push_back(child->page->cycle_median_ms);
            result->failures += child->page->failures;
            if (child->page->failures > 0)
                printf("  program %lu: %u takes failed, the first %s\n",
                       (unsigned long)child->program.info.dwProcessId, child->page->failures,
                       OutcomeName(child->page->first_failure));
        }
    }
    for (Child *child : children) {
        Tell(child, CMD_CLOSE);
        ok = Answered(child) && ok;
    }
    ok = ReadSettledCounters(&after) == 0 && ok;
    result->overlaps = after.overlaps - before.overlaps;
    return ok;
}

// ------------------------------------------------------------------- stills

// STILLS fresh stills from still, PERIOD_MS apart: ask to receipt, in ms.
bool TakeStills(Child *still, int stills, std::vector<double> *ms)
{
    double next = NowMs();
    for (int i = 0; i < stills; i++) {
        while (NowMs() < next)
            Sleep(1);
        next += PERIOD_MS;
        if (!Take(still, TAKE_FRESH))
            return false;
        if (still->page->outcome != CAMERA_FRAME) {
            fprintf(stderr, "shared_camera: a still: %s\n", OutcomeName(still->page->outcome));
            return false;
        }
        ms->push_back(still->page->received_ms - still->page->asked_ms);
    }
    return true;
}

struct StillResult {
    std::vector<double> alone, beside_idle, beside_live;
    double live_fps;
    uint64_t live_skipped;
    double live_cycle_ms, live_cycle_p95_ms;
    uint32_t overlaps;
};

bool RunStills(int stills, StillResult *result)
{
    EzusbsimCounters before, after;
    if (!ReadSim(&before))
        return false;
    bool ok;
    {
        Child *still = StartOpened();
        ok = still != NULL && TakeStills(still, stills, &result->alone);
        EndChild(still);
    }
    Child *live = ok ? StartOpened() : NULL;
    ok = live != NULL && WaitHolder(live);
    Child *still = ok ? StartOpened() : NULL;
    ok = ok && still != NULL && TakeStills(still, stills, &result->beside_idle);
    if (ok) {
        double from_ms = NowMs() + WARMUP_MS;
        double seconds = stills * PERIOD_MS / 1000.0;
        live->page->from_ms = from_ms;
        live->page->to_ms = from_ms + seconds * 1000;
        live->page->timeout_ms = TAKE_TIMEOUT_MS;
        live->page->interval_ms = 0;
        Tell(live, CMD_STREAM);
        while (NowMs() < from_ms)
            Sleep(1);
        ok = TakeStills(still, stills, &result->beside_live);
        ok = Answered(live, (DWORD)(seconds * 1000) + ANSWER_MS) && ok;
        result->live_fps = live->page->frames / seconds;
        result->live_skipped = live->page->skipped;
        result->live_cycle_ms = live->page->cycle_median_ms;
        result->live_cycle_p95_ms = live->page->cycle_p95_ms;
        printf("  the live program's first frame: %.1f ms after it began asking, %llu skipped\n",
               live->page->first_frame_after_ms,
               (unsigned long long)live->page->first_frame_skipped);
        if (live->page->failures > 0)
            printf("  live program: %u takes failed, the first %s\n", live->page->failures,
                   OutcomeName(live->page->first_failure));
    }
    EndChild(still);
    EndChild(live);
    ok = ReadSettledCounters(&after) == 0 && ok;
    result->overlaps = after.overlaps - before.overlaps;
    return ok;
}

// ---------------------------------------------------------------- hand-over

struct HandoverResult {
    std::vector<double> after_frame, idle;          // death to the next frame, ms
    std::vector<double> after_frame_ask, idle_ask;  // the survivor's own ask to it
    std::vector<double> dying;                      // TerminateProcess to the process's end
    uint32_t overlaps;
    int failures;
};

bool RunHandovers(int handovers, HandoverResult *result)
{
    EzusbsimCounters before, after;
    if (!ReadSim(&before))
        return false;
    result->failures = 0;
    Child *taker = StartOpened();
    bool ok = taker != NULL && WaitHolder(taker);
    Child *other = ok ? StartOpened() : NULL;
    ok = ok && other != NULL;
    for (int i = 0; i < handovers && ok; i++) {
        bool idle = i % 2 == 1;
        // The holder as the board names it.
        DWORD holder = HolderPid();
        if (holder == other->program.info.dwProcessId)
            std::swap(taker, other);
        if (holder != taker->program.info.dwProcessId) {
            fprintf(stderr, "shared_camera: the holder is %lu, none of ours\n",
                    (unsigned long)holder);
            ok = false;
            break;
        }
        ok = Take(taker, TAKE_FRESH) && taker->page->outcome == CAMERA_FRAME;
        if (!ok)
            break;
        if (idle)
            Sleep(IDLE_KILL_MS);
        double killed = NowMs();
        TerminateProcess(taker->program.info.hProcess, 1);
        if (WaitForSingleObject(taker->program.info.hProcess, ANSWER_MS) != WAIT_OBJECT_0) {
            ok = false;
            break;
        }
        double dead = NowMs();
        result->dying.push_back(dead - killed);
        ok = Take(other, TAKE_FRESH);
        if (!ok)
            break;
        const Page *page = other->page;
        if (page->outcome != CAMERA_FRAME) {
            printf("  hand-over %d (%s): %s after %.1f ms\n", i + 1,
                   idle ? "idle" : "after a frame", OutcomeName(page->outcome),
                   page->received_ms - dead);
            result->failures++;
        } else {
            (idle ? result->idle : result->after_frame).push_back(page->received_ms - dead);
            (idle ? result->idle_ask : result->after_frame_ask)
                .push_back(page->received_ms - page->asked_ms);
        }
        EndChild(taker);
        taker = other;
        other = StartOpened();
        ok = other != NULL;
    }
    EndChild(taker);
    EndChild(other);
    ok = ReadSettledCounters(&after) == 0 && ok;
    result->overlaps = after.overlaps - before.overlaps;
    return ok;
}

// --------------------------------------------------------------- a late next

// One program takes a frame while another, bound, does not ask; then that
// one asks TAKE_NEXT.
bool RunLateNext(int repeats)
{
    Child *first = StartOpened();
    bool ok = first != NULL && WaitHolder(first);
    Child *second = ok ? StartOpened() : NULL;
    ok = ok && second != NULL;
    for (int i = 0; i < repeats && ok; i++) {
        for (Child *asker : {first, second}) {
            Child *idle = asker == first ? second : first;
            ok = Take(idle, TAKE_FRESH) && idle->page->outcome == CAMERA_FRAME;
            uint64_t missed = idle->page->stamp.sequence;
            ok = ok && Take(asker, TAKE_NEXT, NEXT_TIMEOUT_MS);
            if (!ok)
                break;
            const Page *page = asker->page;
            printf("late next, %s asks: %s in %.1f ms, sequence %llu (the result it missed: %llu, "
                   "skipped %llu)\n",
                   asker == first ? "the taker" : "the other", OutcomeName(page->outcome),
                   page->received_ms - page->asked_ms, (unsigned long long)page->stamp.sequence,
                   (unsigned long long)missed, (unsigned long long)page->stamp.skipped);
        }
    }
    EndChild(second);
    EndChild(first);
    return ok;
}

int DriverMain(double seconds, int rounds, int stills, int handovers, DWORD delay_ms)
{
    HANDLE mapping = MakeShared(GetCurrentProcessId(), true);
    g_shared =
        mapping == NULL
            ? NULL
            : static_cast<Shared *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Shared)));
    if (g_shared == NULL || SetKnob(EZUSBSIM_VALUE_DELAY_MS, delay_ms) != 0) {
        fprintf(stderr, "shared_camera: no shared memory or no simulated camera\n");
        return 1;
    }
    printf("shared camera: each request answered %lu ms late; %d rounds of %.1f s streams, "
           "%d stills, %d hand-overs\n",
           (unsigned long)delay_ms, rounds, seconds, stills, handovers);
    fflush(stdout);
    double started = NowMs();

    const int COUNTS[3] = {1, 2, 4};
    std::vector<double> fps[3], conversations[3], ratios[3], conversation_ratios[3];
    std::vector<double> delivery[3], cycle[3];
    uint64_t skipped[3] = {0, 0, 0};
    uint64_t skipped_most[3] = {0, 0, 0};
    uint32_t overlaps = 0, failures = 0;
    // The programs of the streams: started once, each binding the camera
    // only for the streams it is in.
    std::vector<Child *> pool;
    bool ok = true;
    for (int i = 0; i < COUNTS[2] && ok; i++) {
        Child *child = StartProgram();
        ok = child != NULL;
        if (ok)
            pool.push_back(child);
    }
    for (int round = 0; round < rounds && ok; round++) {
        StreamResult r[3];
        for (int i = 0; i < 3 && ok; i++) {
            int k = (round + i) % 3;
            ok = RunStreams(pool, COUNTS[k], seconds, &r[k]);
            if (!ok)
                break;
            printf("round %d, %d program%s: conversations %6.2f/s; frames/s", round + 1, COUNTS[k],
                   COUNTS[k] > 1 ? "s" : " ", r[k].conversations_per_s);
            for (double f : r[k].fps)
                printf(" %6.2f", f);
            printf("; skipped");
            for (uint64_t s : r[k].skipped)
                printf(" %llu", (unsigned long long)s);
            printf("; overlaps %u\n", r[k].overlaps);
            printf("    delivery ms");
            for (double d : r[k].delivery_ms)
                printf(" %.2f", d);
            printf("; cycle ms");
            for (double c : r[k].cycle_ms)
                printf(" %.2f", c);
            printf("\n");
            fflush(stdout);
            overlaps += r[k].overlaps;
            failures += r[k].failures;
        }
        if (!ok)
            break;
        double alone_fps = r[0].fps[0];
        double alone_conversations = r[0].conversations_per_s;
        for (int k = 0; k < 3; k++) {
            conversations[k].push_back(r[k].conversations_per_s);
            conversation_ratios[k].push_back(r[k].conversations_per_s / alone_conversations);
            for (size_t p = 0; p < r[k].fps.size(); p++) {
                fps[k].push_back(r[k].fps[p]);
                ratios[k].push_back(r[k].fps[p] / alone_fps);
                skipped[k] += r[k].skipped[p];
                delivery[k].push_back(r[k].delivery_ms[p]);
                cycle[k].push_back(r[k].cycle_ms[p]);
                skipped_most[k] = std::max(skipped_most[k], r[k].skipped[p]);
            }
        }
    }
    for (Child *child : pool)
        EndChild(child);
    if (ok) {
        printf("\n");
        for (int k = 0; k < 3; k++) {
            Summary f = Summarize(fps[k]), fr = Summarize(ratios[k]);
            Summary c = Summarize(conversations[k]), cr = Summarize(conversation_ratios[k]);
            printf("%d program%s: frames/s a program median %6.2f (%.2f to %.2f); against alone "
                   "median %.3f, lowest %.3f\n",
                   COUNTS[k], COUNTS[k] > 1 ? "s" : " ", f.median, f.min, f.max, fr.median, fr.min);
            printf("           conversations/s median %6.2f (%.2f to %.2f); against alone median "
                   "%.3f (%.3f to %.3f)\n",
                   c.median, c.min, c.max, cr.median, cr.min, cr.max);
            printf("           a result's publishing to its receipt, median of the programs' "
                   "medians %.2f ms; publishing to the next %.2f ms\n",
                   Summarize(delivery[k]).median, Summarize(cycle[k]).median);
            printf("           skipped: %llu in all, at most %llu by one program in %.0f s\n",
                   (unsigned long long)skipped[k], (unsigned long long)skipped_most[k], seconds);
        }
        printf("streams: overlaps %u, failed takes %u\n", overlaps, failures);
        fflush(stdout);
    }

    double conversation_ms = 0;
    if (ok) {
        conversation_ms = 1000.0 / Summarize(conversations[0]).median;
        printf("\none conversation, alone (1 / conversations a second): %.2f ms\n",
               conversation_ms);
    }

    StillResult stills_result = {};
    if (ok && stills > 0) {
        ok = RunStills(stills, &stills_result);
        if (ok) {
            Summary alone = Summarize(stills_result.alone);
            Summary idle = Summarize(stills_result.beside_idle);
            Summary live = Summarize(stills_result.beside_live);
            Print("still alone, ask to frame", alone, "ms");
            Print("still beside an idle taker", idle, "ms");
            Print("still beside a live program", live, "ms");
            printf("beside live less alone, in ms and in conversations of %.2f ms:\n"
                   "  median %.2f (%.2f), p95 %.2f (%.2f), worst %.2f (%.2f); "
                   "worst less alone's median %.2f (%.2f)\n",
                   conversation_ms, live.median - alone.median,
                   (live.median - alone.median) / conversation_ms, live.p95 - alone.p95,
                   (live.p95 - alone.p95) / conversation_ms, live.max - alone.max,
                   (live.max - alone.max) / conversation_ms, live.max - alone.median,
                   (live.max - alone.median) / conversation_ms);
            printf("live program beside the stills: %.2f frames/s, skipped %llu, publishing to "
                   "the next median %.2f ms, p95 %.2f ms; overlaps %u\n",
                   stills_result.live_fps, (unsigned long long)stills_result.live_skipped,
                   stills_result.live_cycle_ms, stills_result.live_cycle_p95_ms,
                   stills_result.overlaps);
            fflush(stdout);
        }
    }

    HandoverResult handover = {};
    if (ok && handovers > 0) {
        printf("\n");
        ok = RunHandovers(handovers, &handover);
        if (ok) {
            Print("hand-over after a frame, death to frame", Summarize(handover.after_frame), "ms");
            Print("  the survivor's ask to frame", Summarize(handover.after_frame_ask), "ms");
            Print("hand-over idle, death to frame", Summarize(handover.idle), "ms");
            Print("  the survivor's ask to frame", Summarize(handover.idle_ask), "ms");
            Print("TerminateProcess to the process's end", Summarize(handover.dying), "ms");
            printf("hand-overs without a frame: %d; overlaps %u\n", handover.failures,
                   handover.overlaps);
            fflush(stdout);
        }
    }

    if (ok) {
        printf("\n");
        ok = RunLateNext(2);
    }
    SetKnob(EZUSBSIM_VALUE_DELAY_MS, 0);
    printf("\nshared camera: %s in %.0f s\n", ok ? "done" : "failed", (NowMs() - started) / 1000);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "program") == 0)
        return ProgramMain((DWORD)strtoul(argv[2], NULL, 10), atoi(argv[3]));
    double seconds = argc > 1 ? atof(argv[1]) : 3;
    int rounds = argc > 2 ? atoi(argv[2]) : 8;
    int stills = argc > 3 ? atoi(argv[3]) : 20;
    int handovers = argc > 4 ? atoi(argv[4]) : 12;
    DWORD delay_ms = argc > 5 ? (DWORD)atoi(argv[5]) : 5;
    if (argc > 6 || seconds <= 0 || rounds <= 0 || stills < 0 || handovers < 0) {
        fprintf(stderr, "usage: shared_camera.exe [SECONDS [ROUNDS [STILLS [HANDOVERS "
                        "[DELAY_MS]]]]]\n");
        return 2;
    }
    return DriverMain(seconds, rounds, stills, handovers, delay_ms);
}
