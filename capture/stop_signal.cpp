#include <chrono>
#include <thread>

#include "stop_signal.h"

void RaiseStop(StopSignal *stop)
{
    {
        std::lock_guard<std::mutex> hold(stop->lock);
        stop->raised = true;
    }
    stop->raised_changed.notify_all();
}

bool StopRaised(StopSignal *stop)
{
    if (stop == NULL)
        return false;
    std::lock_guard<std::mutex> hold(stop->lock);
    return stop->raised;
}

bool WaitForStop(StopSignal *stop, int64_t us)
{
    std::chrono::microseconds wait(us > 0 ? us : 0);
    if (stop == NULL) {
        std::this_thread::sleep_for(wait);
        return false;
    }
    std::unique_lock<std::mutex> hold(stop->lock);
    return stop->raised_changed.wait_for(hold, wait, [stop] { return stop->raised; });
}
