// The callers of one camera in one program: each bound camera is a
// subscriber, which waits for a result of the kind it asked for (the next
// one, or a fresh one begun after it asked) on its own stop signal, with its
// own time-out, and is handed each result that suits it by whichever thread
// reads the camera's board. Platform-free.
#ifndef PUKAVRO_FRAME_HUB_H
#define PUKAVRO_FRAME_HUB_H

#include <stdint.h>

#include <mutex>
#include <vector>

#include "camera.h"
#include "camera_board.h"
#include "stop_signal.h"

struct HubSubscriber {
    uint64_t last_sequence = 0;  // the newest result handed to it, or the newest at subscribing
    int64_t last_arrival_us = 0;
    // Between TAKE_NEXT takes that said again: it wants one more, as below.
    bool standing = false;
    bool again = false;
    int64_t interval_us = 0;
    int64_t timeout_us = 0;
    // While waiting:
    bool waiting = false;
    bool done = false;
    uint64_t wanted_after = 0;
    int64_t due_us = 0;
    int64_t deadline_us = 0;
    StopSignal *waiter = NULL;
    CameraOutcome outcome = CAMERA_REQUEST_FAILED;
    uint32_t got = 0;
    FrameStamp stamp = {0, 0, 0, 0};
    uint8_t frame[RAW_FRAME_BYTES];
};

struct FrameHub {
    std::mutex lock;
    std::vector<HubSubscriber *> subscribers;
    // The newest result delivered: a TAKE_NEXT newer than its caller's last
    // takes it at once, even when it came while the caller was not waiting.
    BoardResult newest = {};
    // Told when a caller begins to wait or stops waiting (the reader's wake).
    void (*demand_changed)(void *context) = NULL;
    // Told when a caller's stop ended its wait and no caller here waits any
    // more: the conversation out may be cancelled if nobody else waits.
    void (*all_stopped)(void *context) = NULL;
    void *context = NULL;
};

void Subscribe(FrameHub *hub, HubSubscriber *subscriber, uint64_t newest);
void Unsubscribe(FrameHub *hub, HubSubscriber *subscriber);

// One take as CameraSeam::take_frame, against the camera's board (a fresh
// take wants a conversation begun after the newest begun now); now_us is
// the monotonic clock now. Waits for a suitable result, the time-out or the
// stop signal (may be NULL). When the time-out passes while a conversation
// it would take is out under this caller's own time-out, that conversation
// is given the cancel bound to come back, so its CAMERA_TIMED_OUT or
// CAMERA_STUCK is this caller's. frame is written only on CAMERA_FRAME.
CameraOutcome TakeFromHub(FrameHub *hub, HubSubscriber *subscriber, const TakeAsk &ask,
                          const CameraBoard *board, int64_t now_us, StopSignal *stop,
                          uint8_t *frame, uint32_t *got, FrameStamp *stamp);

// Hands a result to every waiting subscriber it suits.
void DeliverResult(FrameHub *hub, const BoardResult &result);

// What this program's callers wait for (those standing among them), for its
// board slot.
BoardDemand HubDemand(FrameHub *hub);

#endif
