#include "record_movie.h"

#include "system_error.h"

namespace {

const int64_t COMPLETION_EVERY_US = 1000000;

RecordResult Failed(MovieRecording *r, const std::string &why, std::string *reason)
{
    *reason = r->path + ": " + why;
    return RECORD_FAILED;
}

RecordResult Problem(MovieRecording *r, MovieResult result, std::string *reason)
{
    std::string why = MovieProblem(result);
    if (result == MOVIE_WRITE_FAILED || result == MOVIE_WRITE_FAILED_NOT_RESTORED)
        why += " (" + SystemErrorText(r->file.system_error) + ")";
    return Failed(r, why, reason);
}

RecordResult Complete(MovieRecording *r, int64_t now_us, std::string *reason)
{
    if (r->measure_rate)
        SetMovieRate(&r->writer, MeasuredFrameRate(MovieFrameCount(&r->writer),
                                                   r->last_us - r->first_us, r->rate));
    MovieResult result = CompleteMovie(&r->writer);
    if (result != MOVIE_OK)
        return Problem(r, result, reason);
    r->completed_us = now_us;
    return RECORD_OK;
}

RecordResult Begin(MovieRecording *r, int64_t now_us, std::string *reason)
{
    int error = 0;
    if (OpenMovieFile(r->path.c_str(), MOVIE_FILE_CREATE, &r->file, &error) != MOVIE_FILE_OK)
        return Failed(r, "cannot create the movie (" + SystemErrorText(error) + ")", reason);
    r->started = 1;
    r->first_us = now_us;
    r->completed_us = now_us;
    MovieResult result = StartMovie(&r->writer, &r->file, r->rate, r->part_limit);
    if (result != MOVIE_OK)
        return Problem(r, result, reason);
    return RECORD_OK;
}

}  // namespace

void StartRecording(MovieRecording *r, const std::string &path, const CaptureOptions &options)
{
    r->path = path;
    r->rate = options.fps_given ? options.fps : FrameRate{KAVROCAP_DEFAULT_FPS, 1};
    r->measure_rate = !options.fps_given && options.interval_us == 0;
    r->part_limit = AVI_DEFAULT_PART_LIMIT;
    r->started = 0;
    r->writer.parts.assign(1, 0);
    r->writer.pending_frames = 0;
    r->writer.stopped = 0;
    r->first_us = r->last_us = r->completed_us = 0;
}

RecordResult RecordFrame(MovieRecording *r, const uint8_t *bits, int64_t now_us, int64_t next_us,
                         std::string *reason)
{
    if (!r->started && Begin(r, now_us, reason) != RECORD_OK)
        return RECORD_FAILED;
    MovieResult result = AddMovieFrame(&r->writer, bits);
    if (result != MOVIE_OK)
        return Problem(r, result, reason);
    r->last_us = now_us;
    if (next_us - r->completed_us < COMPLETION_EVERY_US)
        return RECORD_OK;
    return Complete(r, now_us, reason);
}

RecordResult CompleteRecording(MovieRecording *r, std::string *reason)
{
    if (!r->started || r->writer.stopped || r->writer.pending_frames == 0)
        return RECORD_OK;
    return Complete(r, r->last_us, reason);
}

RecordResult FinishRecording(MovieRecording *r, std::string *reason)
{
    if (!r->started)
        return RECORD_OK;
    RecordResult finished = RECORD_OK;
    if (!r->writer.stopped) {
        finished = Complete(r, r->last_us, reason);
        r->writer.stopped = 1;
    }
    r->started = 0;
    if (CloseMovieFile(&r->file) != MOVIE_FILE_OK && finished == RECORD_OK)
        finished = Failed(
            r, "closing the movie failed (" + SystemErrorText(r->file.system_error) + ")", reason);
    int error = 0;
    if (MovieFrameCount(&r->writer) == 0
        && RemoveMovieFile(r->path.c_str(), &error) != MOVIE_FILE_OK && finished == RECORD_OK)
        finished =
            Failed(r, "cannot remove the empty movie (" + SystemErrorText(error) + ")", reason);
    return finished;
}

uint32_t RecordedFrames(const MovieRecording *r)
{
    return MovieFrameCount(&r->writer);
}
