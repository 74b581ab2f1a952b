// The camera's side of the server: one thread takes next frames through
// the shared camera while anyone watches the stream or waits for a fresh
// frame, encodes each frame once as JPEG whatever the number of clients,
// and keeps only the newest; the clients' side reads it and is woken for
// each. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_FRAME_FEED_H
#define PUKAVRO_KAVROSERVE_FRAME_FEED_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "camera.h"

struct ServedFrame {
    uint64_t sequence;     // the camera's number of the frame, from 1; 0: the "no camera" picture
    int64_t monotonic_us;  // when it came (FrameStamp's clock)
    int64_t wall_us;       // the same moment since 1970, for X-Timestamp
    std::vector<uint8_t> jpeg;  // JFIF, no EXIF, no thumbnail
    std::vector<uint8_t> raw;   // the camera's RAW_FRAME_BYTES; empty for "no camera"
};
typedef std::shared_ptr<const ServedFrame> FramePtr;

struct FeedSettings {
    std::string device;  // UTF-8, as the camera seam opens it
    int fps = 0;         // at most this many frames a second; 0: as the camera gives them
    int quality;         // JPEG quality
};

struct FeedState {
    FramePtr newest;        // NULL until the first frame
    bool camera_present;    // the last take found the camera (true before any)
    uint64_t frames_taken;  // frames encoded since the start
    double fps;             // frames a second over the last few seconds
    // Fresh frames: every ask up to fresh_ticket is answered by fresh (a
    // frame whose conversation began after those asks), or by NULL when the
    // camera could not give one.
    uint64_t fresh_ticket;
    FramePtr fresh;
};

struct FrameFeed;

// Starts the thread; wake(context) is called from it after each change of
// the state (a frame, the camera gone or back, a fresh answer). NULL when
// no thread could be started.
FrameFeed *StartFeed(const CameraSeam &camera, const FeedSettings &settings,
                     void (*wake)(void *context), void *context);
// How many clients watch the stream now: the camera is taken while it is
// above 0 (or fresh asks wait).
void WatchFeed(FrameFeed *feed, int watchers);
// Asks for a fresh frame: the ticket to wait for in FeedState.fresh_ticket.
uint64_t AskFreshFrame(FrameFeed *feed);
FeedState ReadFeed(FrameFeed *feed);
// The "no camera" picture, made once at the start, as a frame of number 0.
FramePtr NoCameraPicture(FrameFeed *feed);
// Stops the thread within the camera's cancel bound, whatever the driver
// does, and frees the feed (a thread the driver still holds frees it when
// it ends). wake is not called once it returns; not to be called from wake.
void StopFeed(FrameFeed *feed);

#endif
