// The running part of the filter, from Run to Pause or Stop: one thread
// takes the camera's frames through the shared camera (the driver may keep
// it waiting), another sends the newest at each tick of the asked period
// on the graph's clock. Stopping never waits on the driver: the taker is
// stopped like any caller of the shared camera, and a thread that does not
// end within the cancel bound is left to end by itself, holding what it
// needs.
#ifndef PUKAVRO_CAMERA_STREAM_H
#define PUKAVRO_CAMERA_STREAM_H

#include <dshow.h>

#include "frame_pacer.h"
#include "video_formats.h"

struct CameraStream;

struct StreamSetup {
    const char *device;  // UTF-8
    VideoFormat format;
    int64_t period;
    IMemAllocator *allocator;  // committed; the stream holds its own references
    IMemInputPin *input;
    IReferenceClock *clock;   // NULL: the stream keeps time itself
    REFERENCE_TIME start;     // Run's start time on clock
    IMediaEventSink *events;  // not referenced: valid until StopStream returns
    IUnknown *filter;         // the first parameter of the filter's events
    FramePacer pacer;         // where the last run left off
};

// NULL when no thread could be started (or memory ran out).
CameraStream *StartStream(const StreamSetup &setup);
// Tells it to send nothing more, and returns at once: a graph pauses the
// filters downstream first, and a paused renderer keeps the sample it was
// given, and so the sender, until the graph runs or stops it.
void EndStreamSoon(CameraStream *stream);
// Stops it and lets it go: returns within the cancel bound whatever the
// driver does, with *pacer where the sending stopped. The allocator is
// decommitted, which frees a sender waiting for a buffer.
void StopStream(CameraStream *stream, FramePacer *pacer);

#endif
