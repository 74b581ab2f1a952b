// Recording the live picture into a movie. The capture thread hands each
// new frame over; the recording thread (RunRecording) makes the file, adds
// the frames and makes the movie complete at least once a second, and at the
// end. The movie plays at the mean rate of the frames recorded: the time
// while paused or without a camera is a gap in time, not in the movie.
// Platform-free.
#ifndef PUKAVRO_KAVROVIEW_RECORDING_H
#define PUKAVRO_KAVROVIEW_RECORDING_H

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "capture_moment.h"
#include "frame.h"
#include "movie_writer.h"

enum {
    RECORDING_COMPLETE_EVERY_US = 1000000,
    // Frames waiting for the recording thread beyond this are dropped (and
    // counted): memory stays bounded on a disk too slow for the camera.
    RECORDING_QUEUE_MAX = 64,
    RECORDING_NAME_ATTEMPTS_MAX = 1000,
    // Until the first pair of frames shows the camera's pace.
    RECORDING_FALLBACK_FPS = 30,
};

// When the recording starts, in the user's local time.
struct RecordingTime {
    int year, month, day, hour, minute, second;
};

// "kavro-YYYYMMDD-HHMMSS.avi", and for attempt 2, 3, ... "kavro-...-2.avi".
std::string RecordingName(const RecordingTime &time, int attempt);

// The first of those names that taken() says is free.
std::string FreeRecordingName(const RecordingTime &time,
                              const std::function<bool(const std::string &)> &taken);

struct RecordedFrame {
    std::vector<uint8_t> raw;
    int64_t at_us;
    bool after_gap;  // a pause or a missing camera came between it and the frame before
    bool stamped;    // the time stamp goes into its picture, at moment
    CaptureMoment moment;
};

enum RecordingOutcome { RECORDING_DONE, RECORDING_FAILED };

struct Recording {
    std::string folder;  // "" for the current folder
    RecordingTime started;
    void *owner = NULL;  // whoever started it, to be told when it has ended

    std::mutex lock;
    std::condition_variable changed;
    std::deque<RecordedFrame> queue;
    bool ending = false;
    bool gap = false;                // set on a pause or a missing camera; the next frame takes it
    std::atomic<bool> stamp{false};  // the window's Time stamp, for each new frame

    // For the status bar, from any thread.
    std::atomic<uint32_t> frames{0};
    std::atomic<int64_t> length_us{0};  // frame to frame, gaps left out
    std::atomic<uint32_t> dropped{0};

    // Once RunRecording has returned.
    RecordingOutcome outcome = RECORDING_DONE;
    std::string name;  // the movie's name in the folder
    std::string reason;
    int64_t last_us = 0;
    uint32_t intervals = 0;  // pairs of frames without a gap between them
};

// From the capture thread: a new frame (RAW_FRAME_BYTES) at now_us.
void AddRecordedFrame(Recording *recording, const uint8_t *raw, int64_t now_us);
// From the capture thread: the pictures stopped for a while.
void MarkRecordingGap(Recording *recording);
// From the window: the recording is to end; RunRecording finishes it.
void EndRecording(Recording *recording);

// The recording thread: runs until EndRecording (or a failed write), with
// the movie complete at the end. Makes no file until the first frame.
void RunRecording(Recording *recording);

#endif
