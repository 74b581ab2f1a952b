// Programs sharing the simulated camera, each stood in for by a host of its
// own in this process (its own client, thread and views of the board): a
// fresh take waits for a conversation begun after it asked, a next one takes
// the one out; the longest time-out governs; the role passes on; a
// conversation another program left out holds everyone.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_board.h"
#include "camera_client.h"
#include "camera_fixture.h"
#include "camera_objects.h"
#include "frame.h"
#include "hang_limit.h"
#include "timed_capture.h"

namespace {

const char CAMERA[] = "\\\\.\\ezusb-0";

struct Taken {
    CameraOutcome outcome = CAMERA_REQUEST_FAILED;
    FrameStamp stamp = {0, 0, 0, 0};
    Bytes frame = Bytes(RAW_FRAME_BYTES);
};

Taken Take(void *camera, TakeKind kind, uint32_t timeout_ms = HANG_MS)
{
    Taken taken;
    uint32_t got = 0;
    taken.outcome = TakeSharedFrame(camera, {kind, timeout_ms, 0, false}, NULL, taken.frame.data(),
                                    &got, &taken.stamp);
    return taken;
}

class SharedCamera : public SimulatedCamera {
protected:
    EzusbsimCounters counters;
    void *Open() { return OpenSharedCamera(NewCameraHost(), CAMERA); }
};

TEST_F(SharedCamera, FreshWaitsForALaterConversationNextTakesTheOneOut)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_DELAY_MS, 1500));
    void *first = Open();
    void *second = Open();
    void *still = Open();
    Taken taken[3];
    std::thread out([&] { taken[0] = Take(first, TAKE_NEXT); });
    ASSERT_EQ(0, WaitForPendingRequests(1));
    std::thread next([&] { taken[1] = Take(second, TAKE_NEXT); });
    std::thread fresh([&] { taken[2] = Take(still, TAKE_FRESH); });
    out.join();
    next.join();
    fresh.join();
    for (const Taken &t : taken)
        EXPECT_EQ(CAMERA_FRAME, t.outcome);
    EXPECT_EQ(1u, taken[0].stamp.sequence);
    EXPECT_EQ(1u, taken[1].stamp.sequence);
    EXPECT_TRUE(taken[1].frame == CameraFrame(0));
    EXPECT_EQ(2u, taken[2].stamp.sequence);
    EXPECT_TRUE(taken[2].frame == CameraFrame(1));
    for (void *camera : {first, second, still})
        CloseSharedCamera(camera);
}

TEST_F(SharedCamera, TheLongestTimeOutGovernsTheConversation)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_DELAY_MS, 4000));
    void *impatient = Open();
    void *patient = Open();
    Taken taken[2];
    std::thread first([&] { taken[0] = Take(impatient, TAKE_FRESH, 1000); });
    std::thread second([&] {
        ASSERT_EQ(0, WaitForPendingRequests(1));
        taken[1] = Take(patient, TAKE_NEXT);
    });
    first.join();
    second.join();
    EXPECT_EQ(CAMERA_TIMED_OUT, taken[0].outcome);
    EXPECT_EQ(CAMERA_FRAME, taken[1].outcome);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(0u, counters.cancelled);
    EXPECT_EQ(1u, counters.vendor_requests);
    CloseSharedCamera(impatient);
    CloseSharedCamera(patient);
}

TEST_F(SharedCamera, TheRolePassesOnWhenItsHolderLeavesOrItsThreadIsKilled)
{
    CameraHost *hosts[3] = {NewCameraHost(), NewCameraHost(), NewCameraHost()};
    void *cameras[3];
    // Each opened once the one before holds the role alone.
    for (int i = 0; i < 3; ++i) {
        cameras[i] = OpenSharedCamera(hosts[i], CAMERA);
        ASSERT_EQ(CAMERA_FRAME, Take(cameras[i], TAKE_FRESH).outcome);
        if (i == 0) {
            CameraHolder holder;
            ASSERT_TRUE(ReadCameraHolder(CAMERA, &holder));
            EXPECT_EQ(GetCurrentProcessId(), holder.pid);
            CloseSharedCamera(cameras[0]);
        }
    }
    // Killed while it waits for work, as a process ended from outside.
    HANDLE taker = static_cast<HANDLE>(CameraClientThread(hosts[1], CAMERA));
    ASSERT_TRUE(taker != NULL);
    ASSERT_TRUE(TerminateThread(taker, 1));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(taker, HANG_MS));
    EXPECT_EQ(CAMERA_FRAME, Take(cameras[2], TAKE_FRESH).outcome);
    CloseSharedCamera(cameras[2]);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(4u, counters.frames_sent);
    EXPECT_EQ(0u, counters.overlaps);
}

// The conversation out as a program that died inside the driver leaves it.
void RecordOut(uint32_t pid)
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE,
                                      (L"Local\\" + CameraObjectBase(CAMERA) + L"-board").c_str());
    ASSERT_TRUE(mapping != NULL);
    CameraBoard *board =
        static_cast<CameraBoard *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(board != NULL);
    BoardRecord out = {};
    out.active = 1;
    out.process.pid = pid;
    out.process.instance = 999;
    WriteRecord(&board->out, out);
    UnmapViewOfFile(board);
    CloseHandle(mapping);
}

TEST_F(SharedCamera, AConversationLeftOutHoldsEveryoneUntilItsProgramHasEnded)
{
    void *camera = Open();
    ASSERT_EQ(CAMERA_FRAME, Take(camera, TAKE_FRESH).outcome);
    RecordOut(GetCurrentProcessId());
    EXPECT_EQ(CAMERA_HELD, Take(camera, TAKE_FRESH).outcome);
    PROCESS_INFORMATION ended;
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    wchar_t command[] = L"cmd.exe /c exit";
    ASSERT_TRUE(CreateProcessW(NULL, command, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL,
                               &startup, &ended));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ended.hProcess, HANG_MS));
    RecordOut(ended.dwProcessId);
    CloseHandle(ended.hProcess);
    CloseHandle(ended.hThread);
    EXPECT_EQ(CAMERA_FRAME, Take(camera, TAKE_FRESH).outcome);
    CloseSharedCamera(camera);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.vendor_requests);
}

}  // namespace
