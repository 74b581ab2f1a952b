// Ctrl+C reaches a capture in flight through the real camera's seam: the run
// raises its stop signal and the request is cancelled, not waited out.
#include <thread>

#include "frame.h"
#include "hang_limit.h"
#include "kavrocap_fixture.h"
#include "timed_capture.h"

namespace {

const uint8_t SENTINEL = 0x5A;

TEST_F(KavrocapTest, TheStopSignalCancelsTheCaptureInFlight)
{
    ASSERT_EQ(0, SetKnob(EZUSBSIM_VALUE_DELAY_MS, 8000));
    CameraSeam seam = TimedCameraSeam();
    void *camera = seam.open("\\\\.\\ezusb-0");
    ASSERT_TRUE(camera != NULL);
    StopSignal stop;
    Bytes frame(RAW_FRAME_BYTES, SENTINEL);
    uint32_t got = 0xDEADBEEF;
    // As the console's handler does, from a thread of its own, once the
    // request is out.
    std::thread ctrl_c([&stop] {
        ASSERT_EQ(0, WaitForPendingRequests(1));
        RaiseStop(&stop);
    });
    EXPECT_EQ(CAMERA_STOPPED, seam.take_frame(camera, {TAKE_FRESH, HANG_MS, 0, false}, &stop,
                                              frame.data(), &got, NULL));
    ctrl_c.join();
    EXPECT_EQ(0u, got);
    EXPECT_TRUE(frame == Bytes(RAW_FRAME_BYTES, SENTINEL));
    // Raised beforehand, nothing is sent.
    EXPECT_EQ(CAMERA_STOPPED, seam.take_frame(camera, {TAKE_FRESH, HANG_MS, 0, false}, &stop,
                                              frame.data(), &got, NULL));
    seam.close(camera);
    EzusbsimCounters counters = Counters();
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.cancelled);
    EXPECT_EQ(0u, counters.frames_sent);
}

}  // namespace
