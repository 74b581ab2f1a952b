// A camera's own thread, on which every conversation with it runs, so that a
// time-out holds whatever the driver does: the caller waits for the thread,
// never for the driver, and a driver that keeps its caller waiting inside a
// request keeps only this thread. Platform-free: the conversation is handed
// in, so its logic is tested with a fake one natively and under sanitizers.
#ifndef PUKAVRO_CAMERA_THREAD_H
#define PUKAVRO_CAMERA_THREAD_H

#include <stdint.h>

#include <atomic>

#include "camera.h"
#include "stop_signal.h"

struct CameraConversation {
    // What the conversation keeps (its device, buffers, thread handle). Used
    // only by the hooks below, and kept until release.
    void *context;
    // One conversation, on the camera's thread: writes up to RAW_FRAME_BYTES
    // into frame (the thread's own buffer) and the bytes the read delivered to
    // *got. Before every request it looks at *given_up, and once that is set
    // it sends nothing more: nobody waits for the answer, and a read sent
    // after a late reply would take a later attempt's frame.
    CameraOutcome (*run)(void *context, const std::atomic<bool> *given_up, uint8_t *frame,
                         uint32_t *got);
    // From the waiting thread, while run may be at work: asks the driver to
    // end the request in flight. Need not succeed.
    void (*cancel)(void *context);
    // Frees context, once, when no run can use it any more: on the closing
    // thread, or on the camera's thread when that was still out.
    void (*release)(void *context);
};

struct CameraThread;

// Starts the camera's thread, which runs the conversation once per take.
// NULL when no thread or memory could be had; conversation.release has then
// been called.
CameraThread *StartCameraThread(const CameraConversation &conversation);

// One take, as CameraSeam::take_frame: hands the thread a run and waits for
// it up to timeout_ms or the stop signal (may be NULL). When either comes
// first: sets given_up, cancels, and waits up to CAMERA_CANCEL_BOUND_MS for
// the run to come back (CAMERA_TIMED_OUT or CAMERA_STOPPED); if it does not,
// the run is abandoned (CAMERA_STUCK, or CAMERA_STOPPED) and every take
// returns CAMERA_HELD at once, sending nothing, until it comes back. frame is
// written only on CAMERA_FRAME; *got is 0 unless the run delivered bytes.
CameraOutcome TakeFrameOnThread(CameraThread *thread, uint32_t timeout_ms, StopSignal *stop,
                                uint8_t *frame, uint32_t *got);

// The same for a run that others may join while it is out: when timeout_ms
// passes, extend(context) says how many milliseconds more it may take (0:
// none), and the run is cancelled only once that is 0.
CameraOutcome TakeFrameOnThreadExtended(CameraThread *thread, uint32_t timeout_ms,
                                        uint32_t (*extend)(void *context), void *context,
                                        StopSignal *stop, uint8_t *frame, uint32_t *got);

// Ends the thread. When no run is out it is joined and everything freed
// here; otherwise the thread is left to finish its run and free everything
// itself.
void EndCameraThread(CameraThread *thread);

#endif
