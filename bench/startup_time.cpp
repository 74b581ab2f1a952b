// Start-up time, seen from outside: from CreateProcess to the first picture
// on the screen (the green 96 x 72 square at client (9, 8)), for pukavro and
// for a floor program that only opens a window and paints a bitmap there.
// Also the size of each program file and its working set once started.
//
// usage: startup_time.exe PUKAVRO.exe STARTUP_FLOOR.exe [COUNT]
//
// The two programs start in turn, one at a time, COUNT times each.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "clock.h"
#include "expected.h"
#include "floors.h"
#include "program.h"
#include "screen.h"
#include "summary.h"
#include "wait.h"

namespace {

const DWORD SHOWN_MS = 20000;  // a start that takes longer is a failure
const DWORD SETTLE_MS = 1000;  // before the working set is read

struct Subject {
    const char *name;
    const char *class_name;
    const char *path;
    std::vector<double> start_ms;
    std::vector<double> working_set_kb;
    std::vector<double> pagefile_kb;
    int failures;
};

bool ShowsFirstPicture(ScreenProbe *probe, POINT at)
{
    static uint32_t seen[PICTURE_PIXELS];
    if (ReadScreenRect(probe, at.x, at.y, PICTURE_WIDTH, PICTURE_HEIGHT, seen) != 0)
        return false;
    for (int i = 0; i < PICTURE_PIXELS; i++) {
        if (seen[i] != FIRST_PICTURE_RGB)
            return false;
    }
    return true;
}

// One start: 0 with its time and memory recorded, or -1.
int MeasureStart(Subject *subject, ScreenProbe *probe, POINT *last_place)
{
    // A green square left from the previous start would be seen at once.
    if (!WaitUntil([probe, last_place] { return !ShowsFirstPicture(probe, *last_place); }))
        return -1;

    char command_line[MAX_PATH + 3];
    snprintf(command_line, sizeof command_line, "\"%s\"", subject->path);
    Program program;
    double launched = NowMs();
    if (LaunchProgram(&program, command_line, NULL) != 0)
        return -1;
    double shown = -1;
    while (NowMs() - launched < SHOWN_MS) {
        if (program.window == NULL)
            program.window = FindProcessWindow(program.info.dwProcessId, subject->class_name, 1);
        if (program.window != NULL) {
            POINT at = {PICTURE_X, PICTURE_Y};
            if (ClientToScreen(program.window, &at) && ShowsFirstPicture(probe, at)) {
                shown = NowMs();
                *last_place = at;
                break;
            }
        }
        if (!ProgramRunning(&program))
            break;
        Sleep(1);
    }
    int result = -1;
    if (shown >= 0) {
        Sleep(SETTLE_MS);
        PROCESS_MEMORY_COUNTERS memory;
        memset(&memory, 0, sizeof memory);
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(program.info.hProcess, &memory, sizeof memory)) {
            subject->start_ms.push_back(shown - launched);
            subject->working_set_kb.push_back(memory.WorkingSetSize / 1024.0);
            subject->pagefile_kb.push_back(memory.PagefileUsage / 1024.0);
            result = 0;
        }
    }
    EndProgram(&program);
    return result;
}

long FileBytes(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return (long)data.nFileSizeLow;
}

Summary Report(const Subject *subject)
{
    Summary time = Summarize(subject->start_ms);
    Summary working_set = Summarize(subject->working_set_kb);
    Summary pagefile = Summarize(subject->pagefile_kb);
    printf("start-up %-13s %3d starts  median %7.1f ms  p95 %7.1f ms  min %7.1f  max %7.1f"
           "  failed %d\n",
           subject->name, time.count, time.median, time.p95, time.min, time.max, subject->failures);
    printf("memory   %-13s working set %6.0f KB  pagefile %6.0f KB (medians)  file %ld bytes\n",
           subject->name, working_set.median, pagefile.median, FileBytes(subject->path));
    return time;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: startup_time PUKAVRO.exe STARTUP_FLOOR.exe [COUNT]\n");
        return 2;
    }
    int count = argc > 3 ? atoi(argv[3]) : 20;
    Subject subjects[2] = {
        {"pukavro", MAIN_CLASS_NAME, argv[1], {}, {}, {}, 0},
        {"floor", STARTUP_FLOOR_CLASS, argv[2], {}, {}, {}, 0},
    };
    ScreenProbe probe;
    if (OpenProbe(&probe, PICTURE_WIDTH, PICTURE_HEIGHT) != 0) {
        fprintf(stderr, "startup_time: no screen\n");
        return 1;
    }
    printf("start-up: %d starts each, in turn\n", count);
    POINT last_place = {PICTURE_X, PICTURE_Y};
    int result = 0;
    // One start of each first, not counted: the first start of a program
    // after a build reads its file from disk.
    for (Subject &subject : subjects)
        MeasureStart(&subject, &probe, &last_place);
    for (Subject &subject : subjects) {
        subject.start_ms.clear();
        subject.working_set_kb.clear();
        subject.pagefile_kb.clear();
    }
    for (int i = 0; i < count && result == 0; i++) {
        for (Subject &subject : subjects) {
            if (MeasureStart(&subject, &probe, &last_place) != 0 && ++subject.failures > 3) {
                fprintf(stderr, "startup_time: %s keeps failing\n", subject.name);
                result = 1;
            }
            Sleep(200);
        }
    }
    Summary program = Report(&subjects[0]);
    Summary floor = Report(&subjects[1]);
    if (floor.median > 0)
        printf("start-up ratio pukavro/floor  median %.2f\n", program.median / floor.median);
    CloseProbe(&probe);
    return result;
}
