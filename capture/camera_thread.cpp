// The camera's thread and the take that waits for it. A plain POSIX thread
// (winpthreads on Windows), not std::thread: a thread that cannot start is a
// result here, not an exception.
#include <pthread.h>
#include <string.h>

#include <chrono>
#include <mutex>
#include <new>

#include "camera_thread.h"
#include "frame.h"

struct CameraThread {
    CameraConversation conversation;
    pthread_t thread;

    // Guards everything below but the atomics and the buffer, which belongs
    // to the run while busy and to its waiter once done.
    std::mutex lock;
    std::condition_variable requested_changed;
    bool requested = false;     // a run is asked for and not yet started
    bool busy = false;          // a run is asked for, at work, or not yet collected
    bool abandoned = false;     // its waiter gave up on the run at work
    bool closing = false;       // the camera was let go
    bool thread_frees = false;  // closed while busy: the thread frees everything
    StopSignal *waiter = NULL;  // woken through its signal when the run is done
    CameraOutcome outcome = CAMERA_REQUEST_FAILED;
    uint32_t got = 0;

    // Read by the waiter under its signal's lock, written here before the
    // thread takes that lock to wake it: no wake-up is lost.
    std::atomic<bool> done{false};
    std::atomic<bool> given_up{false};
    uint8_t frame[RAW_FRAME_BYTES];
};

namespace {

void FreeCameraThread(CameraThread *camera)
{
    camera->conversation.release(camera->conversation.context);
    delete camera;
}

void *CameraThreadMain(void *parameter)
{
    CameraThread *camera = static_cast<CameraThread *>(parameter);
    std::unique_lock<std::mutex> hold(camera->lock);
    for (;;) {
        camera->requested_changed.wait(hold,
                                       [camera] { return camera->requested || camera->closing; });
        if (!camera->requested)
            break;
        camera->requested = false;
        hold.unlock();
        uint32_t got = 0;
        CameraOutcome outcome = camera->conversation.run(camera->conversation.context,
                                                         &camera->given_up, camera->frame, &got);
        hold.lock();
        camera->outcome = outcome;
        camera->got = got;
        if (camera->abandoned) {
            // Nobody waits for this one: the camera is free for the next take.
            camera->abandoned = false;
            camera->busy = false;
        } else {
            camera->done = true;
            if (camera->waiter != NULL) {
                std::lock_guard<std::mutex> wake(camera->waiter->lock);
                camera->waiter->raised_changed.notify_all();
            }
        }
        if (camera->closing)
            break;
    }
    bool frees = camera->thread_frees;
    hold.unlock();
    if (frees)
        FreeCameraThread(camera);
    return NULL;
}

// Waits up to ms for the run to be done, or for the stop signal when
// stoppable. true when the run is done.
bool WaitForRun(CameraThread *camera, StopSignal *stop, uint32_t ms, bool stoppable)
{
    std::unique_lock<std::mutex> hold(stop->lock);
    stop->raised_changed.wait_for(hold, std::chrono::milliseconds(ms), [=] {
        return camera->done.load() || (stoppable && stop->raised);
    });
    return camera->done.load();
}

}  // namespace

CameraThread *StartCameraThread(const CameraConversation &conversation)
{
    CameraThread *camera = new (std::nothrow) CameraThread;
    if (camera == NULL) {
        conversation.release(conversation.context);
        return NULL;
    }
    camera->conversation = conversation;
    if (pthread_create(&camera->thread, NULL, CameraThreadMain, camera) != 0) {
        FreeCameraThread(camera);
        return NULL;
    }
    return camera;
}

CameraOutcome TakeFrameOnThread(CameraThread *camera, uint32_t timeout_ms, StopSignal *stop,
                                uint8_t *frame, uint32_t *got)
{
    return TakeFrameOnThreadExtended(camera, timeout_ms, NULL, NULL, stop, frame, got);
}

CameraOutcome TakeFrameOnThreadExtended(CameraThread *camera, uint32_t timeout_ms,
                                        uint32_t (*extend)(void *context), void *context,
                                        StopSignal *stop, uint8_t *frame, uint32_t *got)
{
    *got = 0;
    if (StopRaised(stop))
        return CAMERA_STOPPED;
    StopSignal never_raised;
    if (stop == NULL)
        stop = &never_raised;
    {
        std::lock_guard<std::mutex> hold(camera->lock);
        if (camera->busy)
            return CAMERA_HELD;
        camera->busy = true;
        camera->requested = true;
        camera->done = false;
        camera->given_up = false;
        camera->waiter = stop;
    }
    camera->requested_changed.notify_one();

    CameraOutcome late = CAMERA_FRAME;
    bool done = WaitForRun(camera, stop, timeout_ms, true);
    while (!done && extend != NULL && !StopRaised(stop)) {
        uint32_t more_ms = extend(context);
        if (more_ms == 0)
            break;
        done = WaitForRun(camera, stop, more_ms, true);
    }
    if (!done) {
        late = StopRaised(stop) ? CAMERA_STOPPED : CAMERA_TIMED_OUT;
        camera->given_up = true;
        camera->conversation.cancel(camera->conversation.context);
        done = WaitForRun(camera, stop, CAMERA_CANCEL_BOUND_MS, false);
    }

    std::lock_guard<std::mutex> hold(camera->lock);
    camera->waiter = NULL;
    if (!done && !camera->done) {
        camera->abandoned = true;
        return late == CAMERA_STOPPED ? CAMERA_STOPPED : CAMERA_STUCK;
    }
    camera->busy = false;
    // A run that came back only once cancelled came too late, whatever it got.
    if (late != CAMERA_FRAME)
        return late;
    *got = camera->got;
    if (camera->outcome == CAMERA_FRAME)
        memcpy(frame, camera->frame, RAW_FRAME_BYTES);
    return camera->outcome;
}

void EndCameraThread(CameraThread *camera)
{
    bool busy;
    pthread_t thread;
    {
        std::lock_guard<std::mutex> hold(camera->lock);
        camera->closing = true;
        busy = camera->busy;
        camera->thread_frees = busy;
        thread = camera->thread;
    }
    camera->requested_changed.notify_one();
    if (busy) {
        // camera may be freed by now; only the copied id is used.
        pthread_detach(thread);
        return;
    }
    pthread_join(thread, NULL);
    FreeCameraThread(camera);
}
