#include "recording.h"

#include <stdio.h>

#include <chrono>

#include "folder_entries.h"
#include "snapshot.h"
#include "system_error.h"
#include "view_stamp.h"

std::string RecordingName(const RecordingTime &t, int attempt)
{
    char name[64];
    if (attempt <= 1)
        snprintf(name, sizeof name, "kavro-%04d%02d%02d-%02d%02d%02d.avi", t.year, t.month, t.day,
                 t.hour, t.minute, t.second);
    else
        snprintf(name, sizeof name, "kavro-%04d%02d%02d-%02d%02d%02d-%d.avi", t.year, t.month,
                 t.day, t.hour, t.minute, t.second, attempt);
    return name;
}

std::string FreeRecordingName(const RecordingTime &time,
                              const std::function<bool(const std::string &)> &taken)
{
    for (int attempt = 1; attempt <= RECORDING_NAME_ATTEMPTS_MAX; ++attempt) {
        std::string name = RecordingName(time, attempt);
        if (!taken(name))
            return name;
    }
    return std::string();
}

void AddRecordedFrame(Recording *r, const uint8_t *raw, int64_t now_us)
{
    {
        std::lock_guard<std::mutex> hold(r->lock);
        if (r->ending)
            return;
        if (r->queue.size() >= RECORDING_QUEUE_MAX) {
            r->dropped++;
            r->gap = true;
            return;
        }
        RecordedFrame frame;
        frame.raw.assign(raw, raw + RAW_FRAME_BYTES);
        frame.at_us = now_us;
        frame.after_gap = r->gap;
        frame.stamped = r->stamp.load();
        if (frame.stamped)
            frame.moment = LocalMomentNow();
        r->gap = false;
        r->queue.push_back(std::move(frame));
    }
    r->changed.notify_one();
}

void MarkRecordingGap(Recording *r)
{
    std::lock_guard<std::mutex> hold(r->lock);
    r->gap = true;
}

void EndRecording(Recording *r)
{
    {
        std::lock_guard<std::mutex> hold(r->lock);
        r->ending = true;
    }
    r->changed.notify_one();
}

namespace {

struct Movie {
    MovieFile file;
    MovieWriter writer;
    bool open;
    int64_t completed_us;
};

bool Fail(Recording *r, const std::string &why)
{
    r->outcome = RECORDING_FAILED;
    r->reason = why;
    return false;
}

bool Problem(Recording *r, Movie *movie, MovieResult result)
{
    std::string why = MovieProblem(result);
    if (result == MOVIE_WRITE_FAILED || result == MOVIE_WRITE_FAILED_NOT_RESTORED)
        why += " (" + SystemErrorText(movie->file.system_error) + ")";
    return Fail(r, why);
}

bool Begin(Recording *r, Movie *movie)
{
    const std::string prefix = FolderPrefix(r->folder);
    r->name = FreeRecordingName(r->started,
                                [&](const std::string &name) { return PathTaken(prefix + name); });
    if (r->name.empty())
        return Fail(r, "no free name for the movie");
    int error = 0;
    if (OpenMovieFile((prefix + r->name).c_str(), MOVIE_FILE_CREATE, &movie->file, &error)
        != MOVIE_FILE_OK)
        return Fail(r, "cannot create " + r->name + " (" + SystemErrorText(error) + ")");
    movie->open = true;
    movie->writer.parts.assign(1, 0);
    movie->writer.pending_frames = 0;
    movie->writer.stopped = 0;
    MovieResult result = StartMovie(&movie->writer, &movie->file,
                                    FrameRate{RECORDING_FALLBACK_FPS, 1}, AVI_DEFAULT_PART_LIMIT);
    return result == MOVIE_OK || Problem(r, movie, result);
}

// The rate of the frames so far, over the time between them that was not a
// gap: MeasuredFrameRate counts frames - 1 intervals over the span.
bool Complete(Recording *r, Movie *movie, int64_t now_us)
{
    SetMovieRate(&movie->writer, MeasuredFrameRate(r->intervals + 1, r->length_us.load(),
                                                   FrameRate{RECORDING_FALLBACK_FPS, 1}));
    MovieResult result = CompleteMovie(&movie->writer);
    if (result != MOVIE_OK)
        return Problem(r, movie, result);
    movie->completed_us = now_us;
    return true;
}

bool Add(Recording *r, Movie *movie, const RecordedFrame &frame)
{
    if (!movie->open && !Begin(r, movie))
        return false;
    if (movie->completed_us == 0)
        movie->completed_us = frame.at_us;
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(frame.raw.data(), bits, FRAME_WIDTH, FRAME_HEIGHT);
    if (frame.stamped)
        StampPicture(bits, frame.moment);
    MovieResult result = AddMovieFrame(&movie->writer, bits);
    if (result != MOVIE_OK)
        return Problem(r, movie, result);
    if (r->frames.load() > 0 && !frame.after_gap) {
        r->length_us += frame.at_us - r->last_us;
        r->intervals++;
    }
    r->last_us = frame.at_us;
    r->frames++;
    if (frame.at_us - movie->completed_us >= RECORDING_COMPLETE_EVERY_US)
        return Complete(r, movie, frame.at_us);
    return true;
}

void Finish(Recording *r, Movie *movie, bool writing)
{
    if (!movie->open)
        return;
    if (writing && movie->writer.pending_frames > 0)
        Complete(r, movie, r->last_us);
    movie->writer.stopped = 1;
    if (CloseMovieFile(&movie->file) != MOVIE_FILE_OK && r->outcome == RECORDING_DONE)
        Fail(r, "closing the movie failed (" + SystemErrorText(movie->file.system_error) + ")");
}

}  // namespace

void RunRecording(Recording *r)
{
    Movie movie;
    movie.open = false;
    movie.completed_us = 0;
    bool writing = true;
    std::unique_lock<std::mutex> hold(r->lock);
    while (writing) {
        if (r->queue.empty() && !r->ending)
            r->changed.wait_for(hold, std::chrono::microseconds(RECORDING_COMPLETE_EVERY_US));
        if (r->queue.empty()) {
            if (r->ending)
                break;
            // A second without frames (paused, no camera): what waits goes
            // on disk all the same.
            hold.unlock();
            if (movie.open && movie.writer.pending_frames > 0)
                writing = Complete(r, &movie, r->last_us);
            hold.lock();
            continue;
        }
        RecordedFrame frame = std::move(r->queue.front());
        r->queue.pop_front();
        hold.unlock();
        writing = Add(r, &movie, frame);
        hold.lock();
    }
    r->ending = true;
    hold.unlock();
    Finish(r, &movie, writing);
}
