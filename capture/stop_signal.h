// A request to stop (Ctrl+C), raised from any thread and waited for on
// another: the schedule's waits and a capture's wait both end when it comes.
// Platform-free.
#ifndef PUKAVRO_STOP_SIGNAL_H
#define PUKAVRO_STOP_SIGNAL_H

#include <stdint.h>

#include <condition_variable>
#include <mutex>

struct StopSignal {
    std::mutex lock;
    std::condition_variable raised_changed;
    bool raised = false;
};

// Raises the signal for good and wakes every waiter.
void RaiseStop(StopSignal *stop);
// Whether it has been raised; a NULL signal never is.
bool StopRaised(StopSignal *stop);
// Waits up to us microseconds (us <= 0: not at all) for the signal. true
// when it was raised. A NULL signal just waits.
bool WaitForStop(StopSignal *stop, int64_t us);

#endif
