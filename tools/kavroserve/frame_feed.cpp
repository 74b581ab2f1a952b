// The feed's thread: a plain POSIX thread (winpthreads on Windows), as the
// camera's own, so that a thread that cannot start is a result. It is
// detached from the start: StopFeed waits for it only within the camera's
// cancel bound, and a thread the driver keeps longer frees the feed itself.
#include "frame_feed.h"

#include <pthread.h>
#include <string.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>

#include "frame.h"
#include "jpeg_picture.h"
#include "stamp_font.h"

enum {
    // A take bounds its wait for the camera so that a gone watcher or a
    // fresh ask is seen again soon.
    TAKE_TIMEOUT_MS = 2000,
    // Between takes that gave no frame: the camera is asked again, never
    // in a loop that keeps a core busy.
    RETRY_MS = 500,
    FPS_WINDOW_US = 3000000,
    FPS_FRAMES_KEPT = 64,
    NO_CAMERA_GREY = 0x30,
};

struct FrameFeed {
    CameraSeam camera;
    FeedSettings settings;
    void (*wake)(void *context);
    void *context;
    FramePtr no_camera;
    StopSignal stop;  // ends a take and the wait before the next

    // Guards everything below.
    std::mutex lock;
    std::condition_variable changed;
    int watchers = 0;
    uint64_t asked = 0;     // the last fresh ticket given
    bool stopping = false;  // StopFeed was called: wake is never called again
    int waking = 0;         // wakes under way, outside the lock
    bool ended = false;     // the thread let the camera go
    int refs = 2;           // StopFeed's and the thread's: the last one frees
    FeedState state;
    std::deque<int64_t> frame_times_us;  // when the last frames came, on the steady clock
};

namespace {

int64_t SteadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Drops a reference; called with the lock held, returns whether to free.
bool Release(FrameFeed *feed)
{
    return --feed->refs == 0;
}

// A picture's JPEG without EXIF: the stream's parts stay small, and a
// frame's moment goes in X-Timestamp instead.
bool EncodePlain(const uint8_t *bits, int quality, std::vector<uint8_t> *jpeg)
{
    ExifFacts none = ExifFacts();
    none.has_moment = 0;
    return EncodeJpeg(bits, FRAME_WIDTH, FRAME_HEIGHT, quality, none, jpeg) == JPEG_ENCODED;
}

FramePtr EncodeFrame(const uint8_t *raw, const FrameStamp &stamp, int quality)
{
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(raw, bits, FRAME_WIDTH, FRAME_HEIGHT);
    std::shared_ptr<ServedFrame> frame = std::make_shared<ServedFrame>();
    frame->sequence = stamp.sequence;
    frame->monotonic_us = stamp.monotonic_us;
    frame->wall_us = stamp.wall_us;
    if (!EncodePlain(bits, quality, &frame->jpeg))
        return FramePtr();
    frame->raw.assign(raw, raw + RAW_FRAME_BYTES);
    return frame;
}

// Dark grey with "no camera" in the middle, in the stamp's font: drawn in
// a strip of its own, then laid on the picture, since the stamp only goes
// in corners.
FramePtr MakeNoCameraPicture(int quality)
{
    const std::string text = "no camera";
    const int strip_width = StampWidth((int)text.size()) + 2 * STAMP_MARGIN;
    const int strip_height = GLYPH_HEIGHT + 2 * STAMP_MARGIN;
    std::vector<uint8_t> strip((size_t)strip_width * strip_height * 3, NO_CAMERA_GREY);
    DrawStamp(strip.data(), strip_width, strip_height, text, STAMP_TOP_LEFT);
    std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES, NO_CAMERA_GREY);
    const int left = (FRAME_WIDTH - strip_width) / 2, bottom = (FRAME_HEIGHT - strip_height) / 2;
    for (int row = 0; row < strip_height; ++row)
        memcpy(&bits[((size_t)(bottom + row) * FRAME_WIDTH + left) * 3],
               &strip[(size_t)row * strip_width * 3], (size_t)strip_width * 3);
    std::shared_ptr<ServedFrame> frame = std::make_shared<ServedFrame>();
    frame->sequence = 0;
    frame->monotonic_us = 0;
    frame->wall_us = 0;
    return EncodePlain(bits.data(), quality, &frame->jpeg) ? frame : FramePtr();
}

// What one take was for, read under the lock before it.
struct Work {
    bool fresh;     // asks wait: TAKE_FRESH
    uint64_t upto;  // the last ask it answers
};

// Sets the state from a take's result and wakes the clients' side when it
// changed, unless the feed is being stopped.
void Publish(FrameFeed *feed, const Work &work, const FramePtr &frame)
{
    std::unique_lock<std::mutex> hold(feed->lock);
    FeedState &state = feed->state;
    bool changed = frame || state.camera_present || work.fresh;
    if (frame) {
        state.newest = frame;
        state.frames_taken++;
        feed->frame_times_us.push_back(SteadyUs());
        if (feed->frame_times_us.size() > FPS_FRAMES_KEPT)
            feed->frame_times_us.pop_front();
    }
    state.camera_present = frame != NULL;
    if (work.fresh) {
        state.fresh_ticket = work.upto;
        state.fresh = frame;
    }
    if (!changed || feed->stopping)
        return;
    feed->waking++;
    hold.unlock();
    feed->wake(feed->context);
    hold.lock();
    if (--feed->waking == 0)
        feed->changed.notify_all();
}

void *FeedMain(void *parameter)
{
    FrameFeed *feed = static_cast<FrameFeed *>(parameter);
    void *camera = NULL;
    uint8_t raw[RAW_FRAME_BYTES];
    for (;;) {
        Work work;
        {
            std::unique_lock<std::mutex> hold(feed->lock);
            bool idle = feed->watchers <= 0 && feed->asked == feed->state.fresh_ticket;
            if (idle && camera != NULL) {
                hold.unlock();
                feed->camera.close(camera);
                camera = NULL;
                continue;
            }
            feed->changed.wait(hold, [feed] {
                return feed->stopping || feed->watchers > 0
                       || feed->asked != feed->state.fresh_ticket;
            });
            if (feed->stopping)
                break;
            work.fresh = feed->asked != feed->state.fresh_ticket;
            work.upto = feed->asked;
        }
        if (camera == NULL)
            camera = feed->camera.open(feed->settings.device.c_str());
        int fps = feed->settings.fps;
        TakeAsk ask = {TAKE_NEXT, TAKE_TIMEOUT_MS, fps > 0 ? (uint32_t)(1000 / fps) : 0u, true};
        if (work.fresh)
            ask = TakeAsk{TAKE_FRESH, TAKE_TIMEOUT_MS, 0, false};
        uint32_t got = 0;
        FrameStamp stamp = {0, 0, 0, 0};
        CameraOutcome outcome =
            camera != NULL ? feed->camera.take_frame(camera, ask, &feed->stop, raw, &got, &stamp)
                           : CAMERA_REQUEST_FAILED;
        if (StopRaised(&feed->stop))
            break;
        FramePtr frame;
        if (outcome == CAMERA_FRAME)
            frame = EncodeFrame(raw, stamp, feed->settings.quality);
        Publish(feed, work, frame);
        if (!frame)
            WaitForStop(&feed->stop, RETRY_MS * 1000);
    }
    if (camera != NULL)
        feed->camera.close(camera);
    bool frees;
    {
        std::lock_guard<std::mutex> hold(feed->lock);
        feed->ended = true;
        feed->changed.notify_all();
        frees = Release(feed);
    }
    if (frees)
        delete feed;
    return NULL;
}

}  // namespace

FrameFeed *StartFeed(const CameraSeam &camera, const FeedSettings &settings,
                     void (*wake)(void *context), void *context)
{
    FrameFeed *feed = new (std::nothrow) FrameFeed;
    if (feed == NULL)
        return NULL;
    feed->camera = camera;
    feed->settings = settings;
    feed->wake = wake;
    feed->context = context;
    feed->state.camera_present = true;
    feed->state.frames_taken = 0;
    feed->state.fps = 0;
    feed->state.fresh_ticket = 0;
    feed->no_camera = MakeNoCameraPicture(settings.quality);
    pthread_t thread;
    if (!feed->no_camera || pthread_create(&thread, NULL, FeedMain, feed) != 0) {
        delete feed;
        return NULL;
    }
    pthread_detach(thread);
    return feed;
}

void WatchFeed(FrameFeed *feed, int watchers)
{
    std::lock_guard<std::mutex> hold(feed->lock);
    feed->watchers = watchers;
    feed->changed.notify_all();
}

uint64_t AskFreshFrame(FrameFeed *feed)
{
    std::lock_guard<std::mutex> hold(feed->lock);
    feed->changed.notify_all();
    return ++feed->asked;
}

FeedState ReadFeed(FrameFeed *feed)
{
    std::lock_guard<std::mutex> hold(feed->lock);
    FeedState state = feed->state;
    // Frames a second over the window's frames, none once the newest is
    // older than the window.
    int64_t now = SteadyUs();
    std::deque<int64_t> &times = feed->frame_times_us;
    while (!times.empty() && now - times.front() > FPS_WINDOW_US)
        times.pop_front();
    state.fps = 0;
    if (times.size() >= 2) {
        int64_t span = times.back() - times.front();
        state.fps = (double)(times.size() - 1) * 1e6 / (double)(span > 1000 ? span : 1000);
    }
    return state;
}

FramePtr NoCameraPicture(FrameFeed *feed)
{
    return feed->no_camera;
}

void StopFeed(FrameFeed *feed)
{
    {
        std::unique_lock<std::mutex> hold(feed->lock);
        feed->stopping = true;
        feed->changed.notify_all();
        // A wake under way uses the context, which the caller frees next.
        feed->changed.wait(hold, [feed] { return feed->waking == 0; });
    }
    RaiseStop(&feed->stop);
    bool frees;
    {
        std::unique_lock<std::mutex> hold(feed->lock);
        feed->changed.wait_for(hold, std::chrono::milliseconds(CAMERA_CANCEL_BOUND_MS),
                               [feed] { return feed->ended; });
        frees = Release(feed);
    }
    if (frees)
        delete feed;
}
