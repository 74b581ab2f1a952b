// The soak of kavroview: one run live through 10,000 frames while the
// simulated camera draws every capture's outcome from its seeded sequence,
// unplugged and plugged back every 1,000 frames; the view must go on by
// itself each time. Read while paused, its handles, threads and memory at
// the end are where they were after the first 100 frames, and the camera
// saw a close for every open.
//     kavroview_soak_test PATH\TO\kavroview.exe [GoogleTest options]
// SOAK_SEED and SOAK_FRAMES in the environment repeat another run.
#include <windows.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "files.h"
#include "process_figures.h"
#include "program.h"
#include "program_argument.h"
#include "wait.h"

namespace {

std::string g_kavroview;

const uint32_t DEFAULT_SEED = 20261214;
const int DEFAULT_FRAMES = 10000;
const uint32_t PLUGGED_FRAMES = 1000;  // frames between unplugging
const uint32_t SETTLED_AFTER = 100;
// From frame 100 to the end: no thread more, at most four handles more (a
// lock gets its event from the thread library the first time two threads
// meet on it, which may come after frame 100; a handle lost per unplugging
// would add nine), and memory well under what keeping one frame (34 KB) in
// a hundred would add.
const int HANDLE_GROWTH = 4;
const SIZE_T MEMORY_GROWTH = 384 * 1024;

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

class KavroviewSoak : public SimulatedCamera {
protected:
    std::string folder;
    Program app = {};

    void SetUp() override
    {
        SimulatedCamera::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(0, MakeTempFolder(&folder));
    }

    void TearDown() override
    {
        EndProgram(&app);
        SimulatedCamera::TearDown();
        if (!folder.empty()) {
            EXPECT_EQ(0, RemoveFolder(folder));
        }
    }

    // The camera has sent count frames since it was last started.
    bool WaitForSent(uint32_t count)
    {
        return WaitUntil([count] {
            EzusbsimCounters counters;
            return ReadCounters(&counters) == 0 && counters.frames_sent >= count;
        });
    }

    // P, as the keyboard sends it through the accelerators: pause or go on.
    void PressPause()
    {
        PostMessageW(app.window, WM_KEYDOWN, 'P', 1);
        PostMessageW(app.window, WM_KEYUP, 'P', 0xC0000001);
    }

    // The figures while paused, the camera no longer asked; then live again.
    int ReadPaused(ProcessFigures *figures)
    {
        PressPause();
        int read = ReadRestingFigures(app.info.hProcess, app.info.dwProcessId, figures);
        PressPause();
        return read;
    }
};

TEST_F(KavroviewSoak, LiveThroughFaultsAndUnpluggingLeavesNothingBehind)
{
    const uint32_t seed = EnvironmentNumber("SOAK_SEED", DEFAULT_SEED);
    const uint32_t frames = EnvironmentNumber("SOAK_FRAMES", DEFAULT_FRAMES);
    ASSERT_GT(frames, SETTLED_AFTER);
    printf("kavroview soak: seed %u, %u frames, unplugged every %u\n", seed, frames,
           PLUGGED_FRAMES);
    fflush(stdout);

    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAULT_SEED, seed));
    const std::string line = "\"" + g_kavroview + "\" \"" + folder + "\"";
    ASSERT_EQ(0, LaunchProgram(&app, line.c_str(), folder.c_str()));
    ASSERT_EQ(0, WaitForProgramWindow(&app, "KAVROVIEW", HANG_MS));
    const DWORD start = GetTickCount();

    ProcessFigures early = {}, late = {};
    ASSERT_TRUE(WaitForSent(SETTLED_AFTER));
    ASSERT_EQ(0, ReadPaused(&early));
    uint32_t sent = 0;
    int plugged = 0;
    EzusbsimCounters counters;
    for (;; plugged++) {
        const uint32_t goal = std::min(frames - sent, PLUGGED_FRAMES);
        ASSERT_TRUE(WaitForSent(goal)) << "no frames after plugging back " << plugged << " times";
        if (sent + goal >= frames)
            break;
        // Its counts go with it; the few frames between this reading and the
        // unplugging go uncounted.
        ASSERT_EQ(0, ReadCounters(&counters));
        sent += counters.frames_sent;
        ASSERT_EQ(0, StopCamera());
        ASSERT_EQ(0, StartCamera());
    }
    PressPause();
    ASSERT_EQ(0, ReadRestingFigures(app.info.hProcess, app.info.dwProcessId, &late));
    // Paused, every request has ended: a close for every open since the
    // last plugging.
    EXPECT_EQ(0, ReadSettledCounters(&counters))
        << counters.opens << " opens, " << counters.closes << " closes";
    sent += counters.frames_sent;
    const double seconds = (GetTickCount() - start) / 1000.0;

    printf("kavroview soak: %u frames in %.1f s, plugged back %d times; since the last, %u opens "
           "and %u closes\n",
           sent, seconds, plugged, counters.opens, counters.closes);
    printf("kavroview soak: handles %d after %u frames, %d at the end\n", early.handles,
           SETTLED_AFTER, late.handles);
    printf("kavroview soak: threads %d after %u frames, %d at the end\n", early.threads,
           SETTLED_AFTER, late.threads);
    printf("kavroview soak: working set %.2f MiB, then %.2f MiB\n", MiB(early.working_set),
           MiB(late.working_set));
    printf("kavroview soak: pagefile usage %.2f MiB, then %.2f MiB\n", MiB(early.pagefile_usage),
           MiB(late.pagefile_usage));
    fflush(stdout);

    EXPECT_LE(late.handles, early.handles + HANDLE_GROWTH);
    EXPECT_LE(late.threads, early.threads);
    EXPECT_LE(late.working_set, early.working_set + MEMORY_GROWTH);
    EXPECT_LE(late.pagefile_usage, early.pagefile_usage + MEMORY_GROWTH);
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("KAVROVIEW.EXE", &g_kavroview) != 0)
        return 2;
    return RUN_ALL_TESTS();
}
