#include "frame_hub.h"

#include <string.h>

#include <algorithm>
#include <chrono>

void Subscribe(FrameHub *hub, HubSubscriber *subscriber, uint64_t newest)
{
    std::lock_guard<std::mutex> hold(hub->lock);
    subscriber->last_sequence = newest;
    hub->subscribers.push_back(subscriber);
}

void Unsubscribe(FrameHub *hub, HubSubscriber *subscriber)
{
    std::lock_guard<std::mutex> hold(hub->lock);
    hub->subscribers.erase(
        std::remove(hub->subscribers.begin(), hub->subscribers.end(), subscriber),
        hub->subscribers.end());
}

namespace {

enum {
    HUB_ROUNDING_US = 2000,
    // Past the cancel bound: the taker's publishing and this program's
    // reading of the result.
    HUB_GRACE_MS = 500,
};

void TellDemand(FrameHub *hub)
{
    if (hub->demand_changed != NULL)
        hub->demand_changed(hub->context);
}

// Waits on the caller's signal (its lock is the hub's wake for it) until
// the subscriber is done, the stop, or until_us passes.
// Wants the conversation after the one it has, at its rate; under the
// hub's lock.
void Stand(HubSubscriber *subscriber, int64_t now_us)
{
    subscriber->standing = true;
    subscriber->wanted_after = subscriber->last_sequence;
    subscriber->due_us = subscriber->last_arrival_us + subscriber->interval_us;
    subscriber->deadline_us = now_us + subscriber->timeout_us;
}

// Gives result to the subscriber; under the hub's lock.
void Hand(HubSubscriber *subscriber, const BoardResult &result)
{
    subscriber->outcome = static_cast<CameraOutcome>(result.outcome);
    subscriber->got = result.got;
    subscriber->stamp.sequence = result.sequence;
    subscriber->stamp.monotonic_us = result.monotonic_us;
    subscriber->stamp.wall_us = result.wall_us;
    subscriber->stamp.skipped = result.sequence - subscriber->last_sequence - 1;
    if (result.outcome == CAMERA_FRAME)
        memcpy(subscriber->frame, result.frame, RAW_FRAME_BYTES);
    subscriber->last_sequence = result.sequence;
    subscriber->last_arrival_us = result.monotonic_us;
    // Stands from the moment it is handed its result, so the program's next
    // demand already counts it.
    if (subscriber->again)
        Stand(subscriber, result.monotonic_us);
}

bool Waiting(FrameHub *hub)
{
    std::lock_guard<std::mutex> hold(hub->lock);
    for (const HubSubscriber *subscriber : hub->subscribers)
        if (subscriber->waiting && !subscriber->done)
            return true;
    return false;
}

bool WaitDone(HubSubscriber *subscriber, StopSignal *stop, int64_t until_us, int64_t now_us)
{
    std::unique_lock<std::mutex> hold(stop->lock);
    auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(until_us - now_us);
    stop->raised_changed.wait_until(hold, until, [=] {
        return __atomic_load_n(&subscriber->done, __ATOMIC_ACQUIRE) || stop->raised;
    });
    return __atomic_load_n(&subscriber->done, __ATOMIC_ACQUIRE);
}

}  // namespace

CameraOutcome TakeFromHub(FrameHub *hub, HubSubscriber *subscriber, const TakeAsk &ask,
                          const CameraBoard *board, int64_t now_us, StopSignal *stop,
                          uint8_t *frame, uint32_t *got, FrameStamp *stamp)
{
    uint64_t started = LoadStarted(board);
    *got = 0;
    if (StopRaised(stop))
        return CAMERA_STOPPED;
    StopSignal never_raised;
    if (stop == NULL)
        stop = &never_raised;
    int64_t deadline_us = now_us + static_cast<int64_t>(ask.timeout_ms) * 1000;
    bool done;
    {
        std::lock_guard<std::mutex> hold(hub->lock);
        subscriber->standing = false;
        subscriber->wanted_after = ask.kind == TAKE_FRESH
                                       ? std::max(started, subscriber->last_sequence)
                                       : subscriber->last_sequence;
        subscriber->due_us = now_us;
        if (ask.kind == TAKE_NEXT && subscriber->last_arrival_us != 0)
            subscriber->due_us = std::max(
                now_us, subscriber->last_arrival_us + static_cast<int64_t>(ask.interval_ms) * 1000);
        subscriber->deadline_us = deadline_us;
        subscriber->waiter = stop;
        subscriber->done = false;
        subscriber->waiting = true;
        subscriber->again = ask.kind == TAKE_NEXT && ask.again;
        subscriber->interval_us = static_cast<int64_t>(ask.interval_ms) * 1000;
        subscriber->timeout_us = static_cast<int64_t>(ask.timeout_ms) * 1000;
        done = ask.kind == TAKE_NEXT && hub->newest.sequence > subscriber->wanted_after;
        if (done) {
            Hand(subscriber, hub->newest);
            subscriber->done = true;
        }
    }
    if (!done) {
        TellDemand(hub);
        done = WaitDone(subscriber, stop, deadline_us, now_us);
    }
    // The conversation out is this caller's own when its time-out is (up to
    // the rounding to whole milliseconds).
    if (!done && !StopRaised(stop) && LoadStarted(board) > subscriber->wanted_after
        && LoadRunningDeadline(board) <= deadline_us + HUB_ROUNDING_US)
        done = WaitDone(subscriber, stop,
                        deadline_us + (CAMERA_CANCEL_BOUND_MS + HUB_GRACE_MS) * 1000, deadline_us);
    CameraOutcome outcome;
    {
        std::lock_guard<std::mutex> hold(hub->lock);
        subscriber->waiting = false;
        subscriber->waiter = NULL;
        done = subscriber->done;
        if (StopRaised(stop))
            subscriber->standing = false;
        else if (!done && subscriber->again)
            Stand(subscriber, deadline_us);
        if (!done) {
            outcome = StopRaised(stop) ? CAMERA_STOPPED : CAMERA_TIMED_OUT;
        } else {
            outcome = subscriber->outcome;
            *got = subscriber->got;
            if (stamp != NULL)
                *stamp = subscriber->stamp;
            if (outcome == CAMERA_FRAME)
                memcpy(frame, subscriber->frame, RAW_FRAME_BYTES);
        }
    }
    TellDemand(hub);
    if (!done && outcome == CAMERA_STOPPED && hub->all_stopped != NULL && !Waiting(hub))
        hub->all_stopped(hub->context);
    return outcome;
}

void DeliverResult(FrameHub *hub, const BoardResult &result)
{
    if (result.sequence == 0)
        return;
    std::lock_guard<std::mutex> hold(hub->lock);
    if (result.sequence > hub->newest.sequence)
        memcpy(&hub->newest, &result, sizeof result);
    for (HubSubscriber *subscriber : hub->subscribers) {
        if (!subscriber->waiting || subscriber->done || result.sequence <= subscriber->wanted_after)
            continue;
        Hand(subscriber, result);
        std::lock_guard<std::mutex> wake(subscriber->waiter->lock);
        __atomic_store_n(&subscriber->done, true, __ATOMIC_RELEASE);
        subscriber->waiter->raised_changed.notify_all();
    }
}

BoardDemand HubDemand(FrameHub *hub)
{
    BoardDemand demand = {0, 0, 0, INT64_MAX, 0};
    std::lock_guard<std::mutex> hold(hub->lock);
    for (const HubSubscriber *subscriber : hub->subscribers) {
        if (!(subscriber->waiting && !subscriber->done) && !subscriber->standing)
            continue;
        ++demand.waiting;
        demand.wanted_after = std::max(demand.wanted_after, subscriber->wanted_after);
        demand.due_us = std::min(demand.due_us, subscriber->due_us);
        demand.deadline_us = std::max(demand.deadline_us, subscriber->deadline_us);
    }
    if (demand.waiting == 0)
        demand.due_us = 0;
    return demand;
}
