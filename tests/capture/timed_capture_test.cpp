// The tools' camera (TimedCameraSeam) against the simulated camera:
// outcomes, the frame it hands back, time-outs and stops that cancel the
// request in flight, a driver that keeps its caller waiting inside the
// request, and what the camera saw.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"
#include "timed_capture.h"
#include "frame.h"
#include "camera_fixture.h"
#include "hang_limit.h"

namespace {

const char CAMERA[] = "\\\\.\\ezusb-0";
const uint8_t SENTINEL = 0x5A;
const uint32_t SENTINEL_GOT = 0xDEADBEEF;

class CameraFrame : public SimulatedCamera {
protected:
    std::vector<uint8_t> frame = std::vector<uint8_t>(RAW_FRAME_BYTES, SENTINEL);
    std::vector<uint8_t> expected = std::vector<uint8_t>(RAW_FRAME_BYTES);
    EzusbsimCounters counters;
    uint32_t got = SENTINEL_GOT;
    DWORD elapsed_ms = 0;
    CameraSeam seam = TimedCameraSeam();
    void *camera = NULL;

    void SetUp() override
    {
        SimulatedCamera::SetUp();
        camera = seam.open(CAMERA);
        ASSERT_TRUE(camera != NULL);
    }

    void TearDown() override
    {
        seam.close(camera);
        SimulatedCamera::TearDown();
    }

    CameraOutcome Take(DWORD timeout_ms, StopSignal *stop = NULL)
    {
        got = SENTINEL_GOT;
        DWORD started = GetTickCount();
        CameraOutcome outcome = seam.take_frame(camera, {TAKE_FRESH, timeout_ms, 0, false}, stop,
                                                frame.data(), &got, NULL);
        elapsed_ms = GetTickCount() - started;
        return outcome;
    }

    // Takes until the camera no longer holds an abandoned conversation (up
    // to HANG_MS).
    CameraOutcome TakeOnceReturned(DWORD timeout_ms)
    {
        const DWORD start = GetTickCount();
        CameraOutcome outcome = Take(timeout_ms);
        while (outcome == CAMERA_HELD && GetTickCount() - start < HANG_MS) {
            Sleep(20);
            outcome = Take(timeout_ms);
        }
        return outcome;
    }

    void ExpectPicture(uint32_t number)
    {
        EzusbsimTestPicture(expected.data(), number);
        EXPECT_EQ(-1, FirstDifference(frame.data(), expected.data(), RAW_FRAME_BYTES))
            << "frame " << number;
    }

    void ExpectUntouched()
    {
        EXPECT_EQ(-1, FirstNotEqualTo(frame.data(), SENTINEL, RAW_FRAME_BYTES));
    }
};

TEST_F(CameraFrame, WholeFramesAreTheCamerasPicturesSentAsTheWindowSendsThem)
{
    for (uint32_t n = 0; n < 3; n++) {
        ASSERT_EQ(CAMERA_FRAME, Take(HANG_MS));
        EXPECT_EQ(static_cast<uint32_t>(RAW_FRAME_BYTES), got);
        ExpectPicture(n);
    }
    ASSERT_EQ(CAMERA_FRAME, Take(HANG_MS));
    ExpectPicture(3);

    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(4u, counters.opens);
    EXPECT_EQ(4u, counters.closes);
    EXPECT_EQ(4u, counters.vendor_requests);
    EXPECT_EQ(4u, counters.bulk_reads);
    EXPECT_EQ(0u, counters.rejected);
    EXPECT_EQ(0u, counters.cancelled);
    EXPECT_EQ(static_cast<uint32_t>(FILE_SHARE_WRITE), counters.last_open_share);
    const uint8_t vendor_block[16] = {0x01, 0x02, 0x00, 0x00, 0xA8, 0xCC, 0x01, 0x00, 0xCC, 0xCC};
    EXPECT_EQ(10u, counters.last_vendor_in_bytes);
    EXPECT_EQ(1u, counters.last_vendor_out_bytes);
    EXPECT_EQ(-1, FirstDifference(counters.last_vendor_block, vendor_block, 16));
    EXPECT_EQ(4u, counters.last_bulk_in_bytes);
    EXPECT_EQ(7u, counters.last_bulk_pipe);
    EXPECT_EQ(13824u, counters.last_bulk_out_bytes);
}

struct FaultCase {
    const char *name;
    DWORD vendor_fail, bulk_fail, bulk_bytes;
    CameraOutcome outcome;
    uint32_t got;
    uint32_t bulk_reads;
};

// A short read is never a frame: frame stays as it was in every case.
const FaultCase FAULTS[] = {
    {"vendor request fails", 1, 0, 0, CAMERA_REQUEST_FAILED, 0, 0},
    {"read fails", 0, 1, 0, CAMERA_REQUEST_FAILED, 0, 1},
    {"read breaks off", 0, 1, 7000, CAMERA_REQUEST_FAILED, 7000, 1},
    {"short read", 0, 0, 5000, CAMERA_SHORT_READ, 5000, 1},
    {"one byte short", 0, 0, 13823, CAMERA_SHORT_READ, 13823, 1},
};

TEST_F(CameraFrame, EachFaultGivesItsOutcomeAndLeavesTheFrameAlone)
{
    for (const FaultCase &fault : FAULTS) {
        SCOPED_TRACE(fault.name);
        ASSERT_EQ(0, ClearKnobs());
        ASSERT_EQ(0, ResetCounters());
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_VENDOR_FAIL, fault.vendor_fail));
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_FAIL, fault.bulk_fail));
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_BYTES, fault.bulk_bytes));

        EXPECT_EQ(fault.outcome, Take(HANG_MS));
        EXPECT_EQ(fault.got, got);
        ExpectUntouched();
        ASSERT_EQ(0, ReadSettledCounters(&counters));
        EXPECT_EQ(1u, counters.opens);
        EXPECT_EQ(1u, counters.closes);
        EXPECT_EQ(fault.bulk_reads, counters.bulk_reads);
    }
}

TEST_F(CameraFrame, NoCameraIsNotFound)
{
    ASSERT_EQ(0, StopCamera());
    EXPECT_EQ(CAMERA_NOT_FOUND, Take(HANG_MS));
    EXPECT_EQ(0u, got);
    ExpectUntouched();
    void *other = seam.open("\\\\.\\ezusb-7");
    ASSERT_TRUE(other != NULL);
    EXPECT_EQ(CAMERA_NOT_FOUND, seam.take_frame(other, {TAKE_FRESH, HANG_MS, 0, false}, NULL,
                                                frame.data(), &got, NULL));
    seam.close(other);
}

TEST_F(CameraFrame, FailNextFailsThatManyCapturesThenFramesFlow)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAIL_NEXT, 2));
    EXPECT_EQ(CAMERA_REQUEST_FAILED, Take(HANG_MS));
    EXPECT_EQ(CAMERA_REQUEST_FAILED, Take(HANG_MS));
    ExpectUntouched();
    ASSERT_EQ(CAMERA_FRAME, Take(HANG_MS));
    ExpectPicture(0);
    ASSERT_EQ(CAMERA_FRAME, Take(HANG_MS));
    ExpectPicture(1);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(4u, counters.vendor_requests);
    EXPECT_EQ(2u, counters.bulk_reads);
}

struct HoldCase {
    const char *name;
    const char *held;     // the delay knob of the request held
    uint32_t bulk_reads;  // 0: held at the vendor request, 1: at the read
};

const HoldCase HOLDS[] = {
    {"vendor request held", EZUSBSIM_VALUE_VENDOR_DELAY_MS, 0},
    {"read held", EZUSBSIM_VALUE_BULK_DELAY_MS, 1},
};

// The other request is answered at once, well within the time-out; the held
// one would be answered ten time-outs later.
const DWORD HOLD_TIMEOUT_MS = 2000;
const DWORD HELD_MS = 10 * HOLD_TIMEOUT_MS;

// Held at the vendor request or at the read after it, the capture ends at
// its time-out: the held request is cancelled, not waited for, and the
// camera is left with nothing pending.
TEST_F(CameraFrame, HeldRequestIsCancelledAtTheTimeOut)
{
    for (const HoldCase &hold : HOLDS) {
        SCOPED_TRACE(hold.name);
        ASSERT_EQ(0, ClearKnobs());
        ASSERT_EQ(0, ResetCounters());
        ASSERT_EQ(0, SetKnob(hold.held, HELD_MS));

        EXPECT_EQ(CAMERA_TIMED_OUT, Take(HOLD_TIMEOUT_MS));
        EXPECT_GE(elapsed_ms + 20, HOLD_TIMEOUT_MS);  // GetTickCount's granularity
        EXPECT_LT(elapsed_ms, HELD_MS);
        EXPECT_EQ(0u, got);
        ExpectUntouched();
        ASSERT_EQ(0, ReadSettledCounters(&counters));
        EXPECT_EQ(0u, counters.pending);
        EXPECT_EQ(1u, counters.cancelled);
        EXPECT_EQ(1u, counters.opens);
        EXPECT_EQ(1u, counters.closes);
        EXPECT_EQ(1u, counters.vendor_requests);
        EXPECT_EQ(hold.bulk_reads, counters.bulk_reads);
        EXPECT_EQ(0u, counters.frames_sent);
    }
    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(CAMERA_FRAME, Take(HANG_MS));
    ExpectPicture(0);
}

// As a Ctrl+C handler does: another thread raises the stop while the
// request is out at the camera.
TEST_F(CameraFrame, StopCancelsTheRequestInFlight)
{
    StopSignal stop;
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 5000));
    std::thread stopper([&stop] {
        WaitForPendingRequests(1);
        RaiseStop(&stop);
    });

    EXPECT_EQ(CAMERA_STOPPED, Take(HANG_MS, &stop));
    stopper.join();
    EXPECT_EQ(0u, got);
    ExpectUntouched();
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.cancelled);
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(0u, counters.bulk_reads);

    // Raised beforehand, the camera is not even opened.
    EXPECT_EQ(CAMERA_STOPPED, Take(HANG_MS, &stop));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);

    // Not raised, the stop signal changes nothing.
    StopSignal quiet;
    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(CAMERA_FRAME, Take(HANG_MS, &quiet));
    ExpectPicture(0);
}

// A camera that ignores the cancel: the read goes on after the capture has
// given up, into the buffer of the conversation it abandoned, and the camera
// is held meanwhile. Once the read is back, the next capture gets the next
// frame whole, with nothing of the late one in it.
TEST_F(CameraFrame, RequestThatIgnoresItsCancelIsLeftWithItsOwnBuffer)
{
    // The vendor request is answered at once; the read is still held
    // seconds after the capture has given up on it.
    const DWORD timeout_ms = 2000;
    const DWORD read_ms = timeout_ms + CAMERA_CANCEL_BOUND_MS + 3000;
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BULK_DELAY_MS, read_ms));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_IGNORE_CANCEL, 1));

    EXPECT_EQ(CAMERA_STUCK, Take(timeout_ms));
    EXPECT_GE(elapsed_ms + 20, timeout_ms + CAMERA_CANCEL_BOUND_MS);
    ExpectUntouched();
    ASSERT_EQ(0, ReadCounters(&counters));
    ASSERT_EQ(1u, counters.pending);  // so the next take is sure to be held
    EXPECT_EQ(CAMERA_HELD, Take(HANG_MS));
    EXPECT_EQ(0u, got);

    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(0, WaitForFramesSent(1));
    ASSERT_EQ(CAMERA_FRAME, TakeOnceReturned(HANG_MS));
    ExpectPicture(1);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.frames_sent);
    EXPECT_EQ(0u, counters.cancelled);
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
}

// A driver that does its transfer inside the request (no pending, no
// cancel) keeps the camera's thread, not the caller: the capture fails at
// the time-out while the camera still holds the vendor request, captures
// meanwhile are held without sending anything, and the late reply is
// followed by no read, so the first capture after the hold gets frame 0.
// Under Wine the hold blocks every request to the driver, the counters
// too, so they are read only after it.
TEST_F(CameraFrame, DriverThatWaitsInsideItsRequestIsAbandonedAtTheTimeOut)
{
    const DWORD hold_ms = 3000;
    const DWORD timeout_ms = 500;
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, hold_ms));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_BLOCK_IN_REQUEST, 1));

    EXPECT_EQ(CAMERA_STUCK, Take(timeout_ms));
    EXPECT_EQ(0u, got);
    ExpectUntouched();
    // Still out at the camera: the stuck take came back before the camera
    // answered.
    EXPECT_EQ(CAMERA_HELD, Take(timeout_ms));

    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(CAMERA_FRAME, TakeOnceReturned(timeout_ms));
    ExpectPicture(0);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
    EXPECT_EQ(2u, counters.vendor_requests);
    EXPECT_EQ(1u, counters.bulk_reads);
    EXPECT_EQ(1u, counters.frames_sent);
    EXPECT_EQ(0u, counters.cancelled);
}

// With a seed the camera draws every capture's outcome; a copy of its
// sequence says what each capture must give, byte for byte.
TEST_F(CameraFrame, SeededFaultsGiveExactlyTheOutcomesTheSequenceSays)
{
    const uint32_t seed = 4711;
    const int captures = 200;
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAULT_SEED, seed));
    uint32_t state = seed;
    uint32_t next_frame = 0;
    int kinds_seen[EZUSBSIM_FAULT_KINDS] = {0};

    for (int i = 0; i < captures; i++) {
        SCOPED_TRACE(i);
        DrawnCapture drawn;
        DrawCapture(&state, &next_frame, &drawn);
        kinds_seen[drawn.fault.kind]++;
        std::fill(frame.begin(), frame.end(), SENTINEL);
        CameraOutcome outcome = Take(HANG_MS);
        if (drawn.whole_frame) {
            ASSERT_EQ(CAMERA_FRAME, outcome);
            ExpectPicture(drawn.frame_number);
        } else {
            ASSERT_EQ(drawn.fault.kind == EZUSBSIM_FAULT_SHORT_READ ? CAMERA_SHORT_READ
                                                                    : CAMERA_REQUEST_FAILED,
                      outcome);
            ExpectUntouched();
        }
        EXPECT_EQ(drawn.bytes, got);
    }
    for (int kind = 0; kind < EZUSBSIM_FAULT_KINDS; kind++)
        EXPECT_GT(kinds_seen[kind], 0) << "fault kind " << kind << " never drawn";

    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(static_cast<uint32_t>(captures), counters.fault_draws);
    EXPECT_EQ(next_frame, counters.frames_sent);
    EXPECT_EQ(static_cast<uint32_t>(captures), counters.opens);
    EXPECT_EQ(0u, counters.cancelled);
}

}  // namespace
