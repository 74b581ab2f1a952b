// --events: what the run does, one JSON object a line as it happens, for a
// script to follow. Each line is written whole and flushed at once. A field
// once published keeps its name and meaning; a new one raises
// KAVROCAP_EVENTS_SCHEMA, and readers ignore fields they do not know.
// kavrocap.1 tells every field. Platform-free.
#ifndef PUKAVRO_KAVROCAP_EVENTS_H
#define PUKAVRO_KAVROCAP_EVENTS_H

#include <stdint.h>
#include <stdio.h>

#include <mutex>
#include <string>

#include "exec_queue.h"
#include "options.h"

#define KAVROCAP_EVENTS_SCHEMA 1

struct EventLog {
    FILE *stream;     // NULL: no events asked for
    std::mutex lock;  // exec results come from the queue's threads
};

// A file saved, or a frame recorded into the movie, once it is on disk
// under its name.
struct FrameEvent {
    std::string path;
    int64_t number;       // the frame's {n}, or its slot's in a movie
    int64_t movie_index;  // the frame's place in the movie, from 0; -1 for a file
    FrameTime time;       // local time it arrived
    int utc_offset_minutes;
    int64_t take_ms;  // the camera's time for it
    int64_t stacked;  // the frames it was made of
};

// Where a frame failed: its reason's code tells the kind.
enum FailureStage { FAILED_TAKING, FAILED_KEEPING, FAILED_RECORDING };

// The reason's kind as the events' "code" gives it: "timed_out",
// "file_exists", ... (kavrocap.1 lists them).
const char *FailureCode(FailureStage stage, const std::string &reason);

// "2026-12-11T13:05:09.123+09:00".
std::string IsoTime(const FrameTime &time, int utc_offset_minutes);

void LogStart(EventLog *log, const CaptureOptions &options);
void LogFrame(EventLog *log, const FrameEvent &frame);
void LogFailed(EventLog *log, int64_t slot, FailureStage stage, const std::string &reason);
void LogSkipped(EventLog *log, int64_t slot);
void LogExec(EventLog *log, const ExecResult &result);
void LogEnd(EventLog *log, int64_t saved, int64_t failed, int64_t skipped, int status, bool ctrl_c);

#endif
