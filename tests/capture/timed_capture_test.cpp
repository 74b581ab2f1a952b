// TakeCameraFrame against the simulated camera: outcomes, the frame it
// hands back, time-outs and stops that cancel the request in flight, and
// what the camera saw.
#include <windows.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"
#include "timed_capture.h"
#include "frame.h"
#include "camera_fixture.h"

namespace {

const wchar_t CAMERA[] = L"\\\\.\\ezusb-0";
const uint8_t SENTINEL = 0x5A;
const DWORD SENTINEL_GOT = 0xDEADBEEF;
const DWORD PATIENT_MS = 10000;

class CameraFrame : public SimulatedCamera {
protected:
    std::vector<uint8_t> frame = std::vector<uint8_t>(RAW_FRAME_BYTES, SENTINEL);
    std::vector<uint8_t> expected = std::vector<uint8_t>(RAW_FRAME_BYTES);
    EzusbsimCounters counters;
    DWORD got = SENTINEL_GOT;
    DWORD elapsed_ms = 0;

    int Take(DWORD timeout_ms, HANDLE stop_event = NULL)
    {
        got = SENTINEL_GOT;
        DWORD started = GetTickCount();
        int outcome = TakeCameraFrame(CAMERA, timeout_ms, stop_event, frame.data(), &got);
        elapsed_ms = GetTickCount() - started;
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
        ASSERT_EQ(CAMERA_FRAME, Take(PATIENT_MS));
        EXPECT_EQ(static_cast<DWORD>(RAW_FRAME_BYTES), got);
        ExpectPicture(n);
    }
    // got may be NULL.
    ASSERT_EQ(CAMERA_FRAME, TakeCameraFrame(CAMERA, PATIENT_MS, NULL, frame.data(), NULL));
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
    int outcome;
    DWORD got;
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

        EXPECT_EQ(fault.outcome, Take(PATIENT_MS));
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
    EXPECT_EQ(CAMERA_NOT_FOUND, Take(PATIENT_MS));
    EXPECT_EQ(0u, got);
    ExpectUntouched();
    EXPECT_EQ(CAMERA_NOT_FOUND,
              TakeCameraFrame(L"\\\\.\\ezusb-7", PATIENT_MS, NULL, frame.data(), &got));
}

TEST_F(CameraFrame, FailNextFailsThatManyCapturesThenFramesFlow)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_FAIL_NEXT, 2));
    EXPECT_EQ(CAMERA_REQUEST_FAILED, Take(PATIENT_MS));
    EXPECT_EQ(CAMERA_REQUEST_FAILED, Take(PATIENT_MS));
    ExpectUntouched();
    ASSERT_EQ(CAMERA_FRAME, Take(PATIENT_MS));
    ExpectPicture(0);
    ASSERT_EQ(CAMERA_FRAME, Take(PATIENT_MS));
    ExpectPicture(1);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(4u, counters.vendor_requests);
    EXPECT_EQ(2u, counters.bulk_reads);
}

struct HoldCase {
    const char *name;
    DWORD delay_ms;  // each request is answered this late
    DWORD timeout_ms;
    uint32_t bulk_reads;  // 0: held at the vendor request, 1: at the read
};

const HoldCase HOLDS[] = {
    {"vendor request held", 4000, 300, 0},
    {"read held", 600, 900, 1},
};

// The time-out covers the whole capture; the held request is cancelled, not
// waited for, and the camera is left with nothing pending.
TEST_F(CameraFrame, HeldRequestIsCancelledAtTheTimeOut)
{
    for (const HoldCase &hold : HOLDS) {
        SCOPED_TRACE(hold.name);
        ASSERT_EQ(0, ResetCounters());
        ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, hold.delay_ms));

        EXPECT_EQ(CAMERA_TIMED_OUT, Take(hold.timeout_ms));
        EXPECT_GE(elapsed_ms + 20, hold.timeout_ms);  // GetTickCount's granularity
        EXPECT_LT(elapsed_ms, hold.timeout_ms + CAMERA_CANCEL_BOUND_MS);
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
    ASSERT_EQ(CAMERA_FRAME, Take(PATIENT_MS));
    ExpectPicture(0);
}

struct DelayedSignal {
    HANDLE event;
    DWORD after_ms;
};

DWORD WINAPI SignalLater(void *parameter)
{
    DelayedSignal *signal = static_cast<DelayedSignal *>(parameter);
    Sleep(signal->after_ms);
    SetEvent(signal->event);
    return 0;
}

// As a Ctrl+C handler does: another thread signals while the request waits.
TEST_F(CameraFrame, StopEventCancelsTheRequestInFlight)
{
    HANDLE stop = CreateEventW(NULL, TRUE, FALSE, NULL);
    ASSERT_TRUE(stop != NULL);
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 5000));
    DelayedSignal signal = {stop, 300};
    HANDLE thread = CreateThread(NULL, 0, SignalLater, &signal, 0, NULL);
    ASSERT_TRUE(thread != NULL);

    EXPECT_EQ(CAMERA_STOPPED, Take(PATIENT_MS, stop));
    EXPECT_LT(elapsed_ms, 300 + CAMERA_CANCEL_BOUND_MS);
    ExpectUntouched();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, PATIENT_MS));
    CloseHandle(thread);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.cancelled);
    EXPECT_EQ(1u, counters.opens);

    // Signalled beforehand, the camera is not even opened.
    EXPECT_EQ(CAMERA_STOPPED, Take(PATIENT_MS, stop));
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(1u, counters.opens);

    // Not signalled, the stop event changes nothing.
    ASSERT_TRUE(ResetEvent(stop));
    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(CAMERA_FRAME, Take(PATIENT_MS, stop));
    ExpectPicture(0);
    CloseHandle(stop);
}

// A camera that ignores the cancel: the read goes on after the capture has
// given up, into the buffer the capture abandoned. The next capture gets the
// next frame whole, with nothing of the late one in it.
TEST_F(CameraFrame, RequestThatIgnoresItsCancelIsLeftWithItsOwnBuffer)
{
    const DWORD delay_ms = 2000;
    const DWORD timeout_ms = 2500;  // the vendor request ends, the read is held
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, delay_ms));
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_IGNORE_CANCEL, 1));

    EXPECT_EQ(CAMERA_STUCK, Take(timeout_ms));
    EXPECT_GE(elapsed_ms + 20, timeout_ms + CAMERA_CANCEL_BOUND_MS);
    ExpectUntouched();

    ASSERT_EQ(0, ClearKnobs());
    ASSERT_EQ(CAMERA_FRAME, Take(PATIENT_MS));
    ExpectPicture(1);
    ASSERT_EQ(0, ReadSettledCounters(&counters));
    EXPECT_EQ(2u, counters.frames_sent);
    EXPECT_EQ(0u, counters.cancelled);
    EXPECT_EQ(2u, counters.opens);
    EXPECT_EQ(2u, counters.closes);
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
        int outcome = Take(PATIENT_MS);
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
