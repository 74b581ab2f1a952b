// The soak: one run of the program through 500 captures, each with a fault
// drawn from a seeded sequence and set in the simulated camera beforehand,
// so the test knows what a user should see after it: the exact picture
// after a success; after a failure the capture-failed box, and once it is
// dismissed the previous picture; both buttons back either way. Every 50
// captures a save, checked byte for byte. At the end the camera has seen as
// many closes as opens, and the program's handles, threads and memory are
// back where they were after the first 10 captures.
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs.h"
#include "knob_fault_sequence.h"
#include "files.h"
#include "input.h"
#include "process_figures.h"
#include "program_argument.h"
#include "pukavro_fixture.h"
#include "screen.h"
#include "wait.h"

namespace {

// SOAK_SEED and SOAK_CAPTURES in the environment repeat another run.
const uint32_t DEFAULT_SEED = 20240611;
const int DEFAULT_CAPTURES = 500;
const int SETTLED_AFTER = 10;
const int SAVE_EVERY = 50;

// From capture 10 to the end the program may not gain a handle or a
// thread, nor more than this in working set or pagefile usage. A leak of
// 4 KiB per capture adds about 2 MiB over the run; the run's own drift stays
// under 100 KiB.
const SIZE_T MEMORY_GROWTH = 512 * 1024;

// What the program and the camera hold, as far as a user could tell.
struct Expected {
    std::vector<uint8_t> raw;  // the program's frame buffer: what Save writes
    Pixels picture;            // what the window shows
    uint32_t next_frame;       // the camera's frames_sent, the number of its next frame
    int saves;
};

// The camera's counts over the whole run; its own start again from 0 each
// time it is started.
struct CameraTotals {
    uint32_t opens;
    uint32_t closes;
    uint32_t vendor_requests;
    uint32_t bulk_reads;
};

double MiB(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

long KiBChange(SIZE_T before, SIZE_T after)
{
    return (static_cast<long>(after) - static_cast<long>(before)) / 1024;
}

class Soak : public PukavroTest {
protected:
    Expected expected = {};
    CameraTotals totals = {};
    CameraTotals reached = {};  // what the captures should have made of them

    ::testing::AssertionResult Capture(const KnobFaultDraw &draw);
    ::testing::AssertionResult SaveAndCheck();
    ::testing::AssertionResult AddCameraCounts();

private:
    int Arrange(const KnobFaultDraw &draw);
    ::testing::AssertionResult ExpectPicture(const KnobFaultDraw &draw);
    ::testing::AssertionResult ExpectFailure(const KnobFaultDraw &draw);
    ::testing::AssertionResult ExpectFramesSent();
    void TakeFrameStart(uint32_t bytes);
};

// Adds the camera's counts so far to the totals and starts it counting
// afresh; they must have settled, every open closed.
::testing::AssertionResult Soak::AddCameraCounts()
{
    EzusbsimCounters counters;
    if (ReadSettledCounters(&counters) != 0) {
        ReadCounters(&counters);
        return ::testing::AssertionFailure()
               << "the camera's counts did not settle: " << counters.opens << " opens, "
               << counters.closes << " closes, " << counters.pending << " pending";
    }
    if (counters.frames_sent != expected.next_frame)
        return ::testing::AssertionFailure() << "the camera sent " << counters.frames_sent
                                             << " frames, not " << expected.next_frame;
    totals.opens += counters.opens;
    totals.closes += counters.closes;
    totals.vendor_requests += counters.vendor_requests;
    totals.bulk_reads += counters.bulk_reads;
    if (ResetCounters() != 0)
        return ::testing::AssertionFailure() << "the camera's counts could not be reset";
    expected.next_frame = 0;
    return ::testing::AssertionSuccess();
}

// Sets the capture's fault in the camera: only its own knobs, or the camera
// stopped. 0 or -1.
int Soak::Arrange(const KnobFaultDraw &draw)
{
    if (ClearKnobs() != 0)
        return -1;
    switch (draw.fault) {
    case KNOB_SUCCEEDS:
        return 0;
    case KNOB_SLOW:
        return SetKnob(EZUSBSIM_VALUE_DELAY_MS, draw.amount);
    case KNOB_SHORT_READ:
        return SetKnob(EZUSBSIM_VALUE_BULK_BYTES, draw.amount);
    case KNOB_VENDOR_FAILS:
        return SetKnob(EZUSBSIM_VALUE_VENDOR_FAIL, 1);
    case KNOB_READ_FAILS:
        return SetKnob(EZUSBSIM_VALUE_BULK_FAIL, 1);
    case KNOB_BROKEN_OFF:
        if (SetKnob(EZUSBSIM_VALUE_BULK_BYTES, draw.amount) != 0)
            return -1;
        return SetKnob(EZUSBSIM_VALUE_BULK_FAIL, 1);
    case KNOB_UNPLUGGED:
        return StopCamera();
    case KNOB_FAULT_KINDS:
        break;
    }
    return -1;
}

// The camera's next frame lands at the start of the frame buffer; bytes
// past a short read keep what they held.
void Soak::TakeFrameStart(uint32_t bytes)
{
    std::vector<uint8_t> frame = CameraFrame(expected.next_frame);
    std::copy(frame.begin(), frame.begin() + bytes, expected.raw.begin());
    expected.next_frame++;
}

::testing::AssertionResult Soak::ExpectFramesSent()
{
    EzusbsimCounters counters;
    if (ReadCounters(&counters) != 0)
        return ::testing::AssertionFailure() << "the camera's counters cannot be read";
    if (counters.frames_sent != expected.next_frame)
        return ::testing::AssertionFailure() << "the camera has sent " << counters.frames_sent
                                             << " frames, " << expected.next_frame << " expected";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Soak::ExpectPicture(const KnobFaultDraw &draw)
{
    uint32_t frame = expected.next_frame;
    bool sent = WaitUntil([frame] {
        EzusbsimCounters counters;
        return ReadCounters(&counters) == 0 && counters.frames_sent == frame + 1;
    });
    if (!sent || !WaitForCaptureAndSave(app.window, true)) {
        HWND box = FindDialog(app.info.dwProcessId);
        return ::testing::AssertionFailure()
               << (sent ? "the buttons did not come back" : "the camera sent no frame")
               << (box != NULL ? "; a message box is open: " : "")
               << (box != NULL ? ::testing::PrintToString(WindowText(box)) : "");
    }
    TakeFrameStart(draw.fault == KNOB_SHORT_READ ? draw.amount : uint32_t{EZUSBSIM_FRAME_BYTES});
    FramePicture(expected.raw.data(), &expected.picture);
    ::testing::AssertionResult shown = ShowsPicture(app.window, expected.picture);
    if (!shown)
        return shown;
    if (FindDialog(app.info.dwProcessId) != NULL)
        return ::testing::AssertionFailure() << "a message box after a good capture";
    return ExpectFramesSent();
}

::testing::AssertionResult Soak::ExpectFailure(const KnobFaultDraw &draw)
{
    HWND box;
    MessageBoxView view;
    ::testing::AssertionResult shown =
        ShowsErrorBox(app.info.dwProcessId, CAPTURE_FAILED, &box, &view);
    if (!shown)
        return shown;
    if (IsWindowEnabled(Control(ID_CAPTURE)) || IsWindowEnabled(Control(ID_SAVE)))
        return ::testing::AssertionFailure() << "Capture or Save enabled under the box";
    if (ClickControl(view.ok) != 0 || !WaitForDialogClosed(box))
        return ::testing::AssertionFailure() << "OK did not close the box";
    if (!WaitForCaptureAndSave(app.window, true))
        return ::testing::AssertionFailure() << "the buttons did not come back";

    if (draw.fault == KNOB_BROKEN_OFF)
        TakeFrameStart(draw.amount);
    ::testing::AssertionResult kept = StillShowsPicture(app.window, expected.picture);
    if (!kept)
        return kept;
    if (draw.fault == KNOB_UNPLUGGED) {
        if (StartCamera() != 0)
            return ::testing::AssertionFailure() << "the camera did not start again";
        // It counts from 0 again; make sure of it.
        if (ResetCounters() != 0)
            return ::testing::AssertionFailure() << "the camera's counts could not be reset";
        expected.next_frame = 0;
    }
    return ExpectFramesSent();
}

::testing::AssertionResult Soak::Capture(const KnobFaultDraw &draw)
{
    if (draw.fault == KNOB_UNPLUGGED) {
        // Its counts go with it.
        ::testing::AssertionResult counted = AddCameraCounts();
        if (!counted)
            return counted;
    }
    if (Arrange(draw) != 0)
        return ::testing::AssertionFailure() << "the fault could not be set";
    if (draw.fault != KNOB_UNPLUGGED) {
        ::testing::AssertionResult ready = ExpectFramesSent();
        if (!ready)
            return ready;
        reached.opens++;
        reached.vendor_requests++;
        if (draw.fault != KNOB_VENDOR_FAILS)
            reached.bulk_reads++;
    }
    if (ClickControl(Control(ID_CAPTURE)) != 0)
        return ::testing::AssertionFailure() << "no click on Capture";
    return KnobFaultFailsCapture(draw.fault) ? ExpectFailure(draw) : ExpectPicture(draw);
}

::testing::AssertionResult Soak::SaveAndCheck()
{
    expected.saves++;
    char name[16];
    snprintf(name, sizeof name, "kavro%03d.bin", expected.saves);
    std::string path = PathIn(directory, name);
    std::vector<uint8_t> bytes;
    ::testing::AssertionResult saved = Saves(app.window, path, &bytes);
    if (!saved)
        return saved;
    int difference = FirstDifference(bytes.data(), expected.raw.data(), EZUSBSIM_FRAME_BYTES);
    if (difference >= 0)
        return ::testing::AssertionFailure()
               << name << " differs from the frame buffer at byte " << difference;
    return ::testing::AssertionSuccess();
}

TEST_F(Soak, CapturesWithFaultsAndLeavesNothingBehind)
{
    const uint32_t seed = EnvironmentNumber("SOAK_SEED", DEFAULT_SEED);
    const int captures = static_cast<int>(EnvironmentNumber("SOAK_CAPTURES", DEFAULT_CAPTURES));
    ASSERT_GT(captures, SETTLED_AFTER);
    printf("soak: seed %u, %d captures\n", seed, captures);
    fflush(stdout);

    KnobFaultSequence sequence;
    SeedKnobFaults(&sequence, seed);
    expected.raw.assign(EZUSBSIM_FRAME_BYTES, 0);
    expected.picture = FirstPicture();
    int drawn[KNOB_FAULT_KINDS] = {};
    ProcessFigures early = {};
    DWORD start = GetTickCount();
    for (int i = 1; i <= captures; i++) {
        KnobFaultDraw draw = NextKnobFault(&sequence);
        drawn[draw.fault]++;
        ASSERT_TRUE(Capture(draw)) << "capture " << i << " (" << KnobFaultName(draw.fault) << ", "
                                   << draw.amount << "), seed " << seed;
        if (i % SAVE_EVERY == 0) {
            ASSERT_TRUE(SaveAndCheck()) << "the save after capture " << i;
            printf("soak: %d captures, %.1f s\n", i, (GetTickCount() - start) / 1000.0);
            fflush(stdout);
        }
        if (i == SETTLED_AFTER) {
            ASSERT_EQ(0, ReadRestingFigures(app.info.hProcess, app.info.dwProcessId, &early));
        }
    }
    double seconds = (GetTickCount() - start) / 1000.0;

    ProcessFigures late = {};
    ASSERT_EQ(0, ReadRestingFigures(app.info.hProcess, app.info.dwProcessId, &late));
    ASSERT_TRUE(AddCameraCounts());
    double ping_ms = 0;
    int answered = PingWindow(app.window, HANG_MS, &ping_ms);

    printf("soak: %d captures in %.1f s:", captures, seconds);
    for (int fault = 0; fault < KNOB_FAULT_KINDS; fault++)
        printf("%s %s %d", fault == 0 ? "" : ",", KnobFaultName(static_cast<KnobFault>(fault)),
               drawn[fault]);
    printf("\nsoak: handles %d after %d captures, %d after %d\n", early.handles, SETTLED_AFTER,
           late.handles, captures);
    printf("soak: threads %d after %d captures, %d after %d\n", early.threads, SETTLED_AFTER,
           late.threads, captures);
    printf("soak: working set %.2f MiB after %d, %.2f MiB after %d (%+ld KiB)\n",
           MiB(early.working_set), SETTLED_AFTER, MiB(late.working_set), captures,
           KiBChange(early.working_set, late.working_set));
    printf("soak: pagefile usage %.2f MiB after %d, %.2f MiB after %d (%+ld KiB)\n",
           MiB(early.pagefile_usage), SETTLED_AFTER, MiB(late.pagefile_usage), captures,
           KiBChange(early.pagefile_usage, late.pagefile_usage));
    printf("soak: camera opens %u, closes %u; WM_NULL answered in %.2f ms\n", totals.opens,
           totals.closes, ping_ms);
    fflush(stdout);

    EXPECT_EQ(totals.opens, totals.closes);
    EXPECT_EQ(reached.opens, totals.opens);
    EXPECT_EQ(reached.vendor_requests, totals.vendor_requests);
    EXPECT_EQ(reached.bulk_reads, totals.bulk_reads);
    EXPECT_EQ(early.handles, late.handles);
    EXPECT_EQ(early.threads, late.threads);
    EXPECT_LE(late.working_set, early.working_set + MEMORY_GROWTH);
    EXPECT_LE(late.pagefile_usage, early.pagefile_usage + MEMORY_GROWTH);
    EXPECT_TRUE(FindDialog(app.info.dwProcessId) == NULL);
    EXPECT_EQ(0, answered) << "the window does not answer";

    std::vector<std::string> names;
    for (int k = 1; k <= expected.saves; k++) {
        char name[16];
        snprintf(name, sizeof name, "kavro%03d.bin", k);
        names.push_back(name);
    }
    EXPECT_EQ(names, ListFolder(directory));
}

}  // namespace
