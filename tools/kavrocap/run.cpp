#include <deque>

#include "console.h"
#include "events.h"
#include "events_file.h"
#include "exec_queue.h"
#include "existing_files.h"
#include "folder_entries.h"
#include "frame.h"
#include "help.h"
#include "kavrocap.h"
#include "list_cameras.h"
#include "pukavro_version.h"
#include "record_movie.h"
#include "report.h"
#include "save_frame.h"
#include "schedule.h"
#include "stack_take.h"
#include "still_options.h"
#include "take_frame.h"
#include "writable_folder.h"

namespace {

struct RunCounts {
    int64_t saved, failed, skipped;
};

// What one frame of the run needs besides the options.
struct RunState {
    FILE *out, *err;
    RunCamera camera;
    const CaptureClock *clock;
    std::string last_path;  // the file saved last
    bool broken;            // the output stream or the movie takes no more
    MovieRecording *movie;  // NULL: a file a frame
    int64_t start_us;       // when the first slot began
    StackTake *stack;       // NULL: a picture is one frame
    // --events and --exec
    EventLog *events;
    ExecQueue *exec;                   // NULL: no --exec
    bool list_files;                   // standard output lists the saved files
    std::deque<FrameEvent> in_memory;  // movie frames not yet on disk
    int64_t movie_on_disk;             // movie frames told as on disk
};

enum KeepResult { KEPT, NOT_KEPT, KEEP_STOPPED };
enum PrepareResult { READY, NOT_READY };

void Tell(const RunState &run, const std::string &text)
{
    Report(run.err, KAVROCAP_NAME, text);
}

ExitStatus UsageError(FILE *err, const std::string &problem)
{
    Report(err, KAVROCAP_NAME, problem);
    fputs(KAVROCAP_USAGE, err);
    return EXIT_USAGE;
}

// The local time a frame arrived, as its event, its name, its stamp and its
// EXIF facts tell it.
CaptureMoment FrameMoment(const FrameEvent &event)
{
    const FrameTime &time = event.time;
    CaptureMoment moment = {time.year,   time.month,  time.day,          time.hour,
                            time.minute, time.second, time.milliseconds, event.utc_offset_minutes};
    return moment;
}

void ReportSkipped(const RunState &run, int64_t first, int64_t skipped)
{
    if (skipped == 1)
        Tell(run, "frame " + std::to_string(first)
                      + " skipped: its time passed while the frame before was taken");
    else
        Tell(run, "frames " + std::to_string(first) + "-" + std::to_string(first + skipped - 1)
                      + " skipped: their time passed while the frame before was taken");
}

// The warm-up frames, back to back; a warm-up frame that cannot be taken is
// reported and not repeated.
TakeResult WarmUp(const CaptureOptions &options, const RunState &run)
{
    uint8_t frame[RAW_FRAME_BYTES];
    for (int64_t i = 0; i < options.skip; ++i) {
        std::string reason;
        TakeResult taken =
            TakeFrameWithRetries(options, run.camera, true, run.clock->stop, frame, &reason);
        if (taken == TAKE_STOPPED)
            return TAKE_STOPPED;
        if (taken == TAKE_FAILED)
            Tell(run, "warm-up frame " + std::to_string(i + 1) + ": " + reason);
    }
    return TAKE_FRAME;
}

// Where the frame goes: its file, or the output stream. NOT_KEPT with
// reason set when it cannot go there.
KeepResult Keep(const CaptureOptions &options, RunState *run, const std::string &path,
                const std::vector<uint8_t> &bytes, std::string *reason)
{
    if (options.to_stdout) {
        if (WriteToOutput(run->out, bytes) == FRAME_KEPT)
            return KEPT;
        *reason = "write failed: standard output is closed";
        run->broken = true;
        return NOT_KEPT;
    }
    std::string name_problem;
    if (CheckFileName(path.substr(options.pattern.folder.size()), &name_problem) != NAME_ACCEPTED) {
        *reason = path + ": " + name_problem;
        return NOT_KEPT;
    }
    // {time} twice in one second: --overwrite replaces older files, never a
    // frame of this very run.
    if (path == run->last_path) {
        *reason = path + ": file exists";
        return NOT_KEPT;
    }
    if (SaveFile(path, bytes, options.overwrite != 0, reason) != FRAME_KEPT)
        return NOT_KEPT;
    run->last_path = path;
    return KEPT;
}

int UtcOffset(const CaptureClock &clock)
{
    return clock.utc_offset_minutes != NULL ? clock.utc_offset_minutes(clock.context) : 0;
}

// A frame's event, its time the local time now, when it arrived.
FrameEvent ArrivedFrame(const RunState &run, const std::string &path, int64_t number,
                        int64_t movie_index, int64_t take_us)
{
    FrameEvent event = {path,
                        number,
                        movie_index,
                        run.clock->local_time(run.clock->context),
                        UtcOffset(*run.clock),
                        take_us / 1000,
                        1};
    return event;
}

// The movie's frames that a completion point has put on disk since the last
// were told; those still in memory wait for the next.
void LogMovieFramesOnDisk(RunState *run)
{
    int64_t on_disk =
        static_cast<int64_t>(RecordedFrames(run->movie)) - run->movie->writer.pending_frames;
    for (; run->movie_on_disk < on_disk && !run->in_memory.empty(); ++run->movie_on_disk) {
        LogFrame(run->events, run->in_memory.front());
        run->in_memory.pop_front();
    }
}

// "0:01:05": the time since the start, as the progress of a movie shows it.
std::string ElapsedText(int64_t us)
{
    int64_t seconds = us / 1000000;
    char text[32];
    snprintf(text, sizeof text, "%lld:%02d:%02d", (long long)(seconds / 3600),
             (int)(seconds / 60 % 60), (int)(seconds % 60));
    return text;
}

// Adds a frame taken in take_us to the movie. The next one is expected
// take_us after its slot begins, which decides whether this one may wait
// in memory until then.
KeepResult Record(const CaptureOptions &options, RunState *run, int64_t slot,
                  const Schedule &schedule, int64_t take_us, const uint8_t *frame)
{
    run->in_memory.push_back(ArrivedFrame(*run, run->movie->path, options.start + slot,
                                          RecordedFrames(run->movie), take_us));
    uint8_t bits[DISPLAY_IMAGE_BYTES];
    ConvertFrame(frame, bits, FRAME_WIDTH, FRAME_HEIGHT);
    if (options.stamp_given) {
        StillSettings still =
            StillFor(options, FrameMoment(run->in_memory.back()), options.start + slot);
        DrawStamp(bits, FRAME_WIDTH, FRAME_HEIGHT, still.stamp, still.corner);
    }
    int64_t now = run->clock->now_us(run->clock->context);
    int64_t next_slot_us = schedule.start_us + schedule.next_slot * schedule.interval_us;
    int64_t next_us = (next_slot_us > now ? next_slot_us : now) + take_us;
    std::string reason;
    if (RecordFrame(run->movie, bits, now, next_us, &reason) != RECORD_OK) {
        run->in_memory.pop_back();
        Tell(*run, "frame " + std::to_string(options.start + slot) + ": " + reason);
        LogFailed(run->events, options.start + slot, FAILED_RECORDING, reason);
        run->broken = true;
        return NOT_KEPT;
    }
    LogMovieFramesOnDisk(run);
    if (!options.quiet) {
        std::string progress = std::to_string(slot + 1);
        if (options.count != 0)
            progress += "/" + std::to_string(options.count);
        uint32_t frames = RecordedFrames(run->movie);
        Tell(*run, progress + " " + run->movie->path + ": " + std::to_string(frames)
                       + (frames == 1 ? " frame, " : " frames, ")
                       + ElapsedText(now - run->start_us));
    }
    return KEPT;
}

// A failed frame: the frames waiting for the movie are put on disk now, as
// the next may be long in coming.
void CompleteAfterFailure(RunState *run)
{
    std::string reason;
    if (CompleteRecording(run->movie, &reason) != RECORD_OK) {
        Tell(*run, reason);
        run->broken = true;
    }
    LogMovieFramesOnDisk(run);
}

// Takes and keeps one frame.
KeepResult TakeAndKeep(const CaptureOptions &options, RunState *run, int64_t slot,
                       const Schedule &schedule)
{
    int64_t number = options.start + slot;
    uint8_t frame[RAW_FRAME_BYTES];
    std::string reason;
    int64_t take_start = run->clock->now_us(run->clock->context);
    bool more = options.count == 0 || slot + 1 < options.count;
    std::vector<uint8_t> bytes;
    TakeResult taken =
        run->stack != NULL
            ? TakeStackedPicture(
                options, run->stack, run->camera, more, run->clock->stop, number,
                // A stack's moment is its start, as its slot is its first frame.
                StillFor(options, FrameMoment(ArrivedFrame(*run, "", number, -1, 0)), number),
                run->err, &bytes, &reason)
            : TakeFrameWithRetries(options, run->camera, more, run->clock->stop, frame, &reason);
    if (taken == TAKE_STOPPED)
        return KEEP_STOPPED;
    if (run->movie != NULL) {
        if (taken == TAKE_FRAME)
            return Record(options, run, slot, schedule,
                          run->clock->now_us(run->clock->context) - take_start, frame);
        Tell(*run, "frame " + std::to_string(number) + ": " + reason);
        LogFailed(run->events, number, FAILED_TAKING, reason);
        CompleteAfterFailure(run);
        return NOT_KEPT;
    }
    KeepResult kept = NOT_KEPT;
    std::string path = "-";
    FrameEvent event = {};
    if (taken == TAKE_FRAME) {
        event = ArrivedFrame(*run, path, number, -1,
                             run->clock->now_us(run->clock->context) - take_start);
        if (run->stack != NULL)
            event.stacked = options.stack.average > 0 ? options.stack.average : 1;
        CaptureMoment moment = FrameMoment(event);
        if (!options.to_stdout)
            path = FormatOutputName(options.pattern, number, event.time);
        if (run->stack == NULL
            && EncodeFrame(frame, options.format, StillFor(options, moment, number), &bytes)
                   != PICTURE_ENCODED)
            reason = "out of memory";
        else
            kept = Keep(options, run, path, bytes, &reason);
    }
    if (kept != KEPT) {
        Tell(*run, "frame " + std::to_string(number) + ": " + reason);
        LogFailed(run->events, number, taken == TAKE_FRAME ? FAILED_KEEPING : FAILED_TAKING,
                  reason);
        return NOT_KEPT;
    }
    event.path = path;
    LogFrame(run->events, event);
    if (run->exec != NULL)
        SubmitExec(run->exec, path);
    if (!options.to_stdout && run->list_files)
        PrintLine(run->out, path);
    if (!options.quiet) {
        std::string progress = std::to_string(slot + 1);
        if (options.count != 0)
            progress += "/" + std::to_string(options.count);
        Tell(*run, progress + " " + (options.to_stdout ? "(standard output)" : path));
    }
    return KEPT;
}

// The movie's one name, its date and time those of the start; refused when
// it exists, unless to be replaced.
PrepareResult NameMovie(const CaptureOptions &options, const CaptureClock &clock, FILE *err,
                        std::string *path, ExitStatus *status)
{
    *path = FormatOutputName(options.pattern, 0, clock.local_time(clock.context));
    if (!options.overwrite && PathTaken(*path)) {
        Report(err, KAVROCAP_NAME,
               *path + " exists; nothing was captured (--overwrite replaces it)");
        *status = EXIT_SOME_FAILED;
        return NOT_READY;
    }
    return READY;
}

// Everything that can refuse the run before the camera is opened; *status
// is set when it is NOT_READY.
PrepareResult Prepare(CaptureOptions *options, FILE *err, ExitStatus *status)
{
    if (options->to_stdout)
        return READY;
    if (!FolderExists(options->pattern.folder)) {
        *status = UsageError(err, "folder not found: " + options->pattern.folder);
        return NOT_READY;
    }
    // Better one line now than one failure a frame for the whole run.
    std::string reason;
    if (CheckFolderTakesFiles(options->pattern.folder, &reason) != FOLDER_TAKES_FILES) {
        std::string folder =
            options->pattern.folder.empty() ? "the current folder" : options->pattern.folder;
        Report(err, KAVROCAP_NAME, "cannot create files in " + folder + ": " + reason);
        *status = EXIT_SOME_FAILED;
        return NOT_READY;
    }
    if (options->continue_numbering)
        options->start =
            NumberAfterExisting(options->pattern, FolderNames(options->pattern.folder));
    // Every name of the run is known now: better to refuse it whole than to
    // stop halfway through a time-lapse.
    if (!options->overwrite && !options->pattern.has_clock && options->count != 0) {
        std::string existing = FirstExistingName(options->pattern, options->start, options->count);
        if (!existing.empty()) {
            Report(err, KAVROCAP_NAME,
                   existing + " exists; nothing was captured (--overwrite replaces it)");
            *status = EXIT_SOME_FAILED;
            return NOT_READY;
        }
    }
    return READY;
}

// The events' stream: standard output, a new file, or none.
PrepareResult OpenEvents(const CaptureOptions &options, FILE *out, FILE *err, FILE **stream,
                         ExitStatus *status)
{
    *stream = NULL;
    if (options.events.empty())
        return READY;
    if (options.events == "-") {
        *stream = out;
        return READY;
    }
    std::string reason;
    switch (OpenEventsFile(options.events, options.overwrite != 0, stream, &reason)) {
    case EVENTS_FILE_OPEN:
        return READY;
    case EVENTS_FILE_EXISTS:
        Report(err, KAVROCAP_NAME,
               options.events + " exists; nothing was captured (--overwrite replaces it)");
        break;
    default:
        Report(err, KAVROCAP_NAME, "cannot create " + options.events + ": " + reason);
        break;
    }
    *status = EXIT_SOME_FAILED;
    return NOT_READY;
}

void CloseEvents(const CaptureOptions &options, EventLog *events)
{
    if (events->stream != NULL && options.events != "-")
        fclose(events->stream);
    events->stream = NULL;
}

struct ExecTelling {
    RunState *run;
    bool quiet;  // only the programs that failed
};

// From the queue's threads: each line whole, beside the run's own.
void TellExec(void *context, const ExecResult &result)
{
    ExecTelling *telling = static_cast<ExecTelling *>(context);
    LogExec(telling->run->events, result);
    if (telling->quiet && result.outcome == EXEC_EXITED && result.exit_code == 0)
        return;
    Tell(*telling->run, "--exec " + result.path + ": " + ExecOutcomeText(result) + " ("
                            + std::to_string(result.ms) + " ms)");
}

// Where no program can be started.
ExecOutcome RunNothing(void *, const std::string &, const std::string &, int64_t, uint32_t *,
                       std::string *why)
{
    *why = "programs are not started here";
    return EXEC_NOT_STARTED;
}

// The dark and the hot pixels, read before the camera is opened, and the
// stack's memory.
PrepareResult StartStacking(const CaptureOptions &options, StackTake *stack, FILE *err,
                            ExitStatus *status)
{
    std::string problem;
    switch (StartStackTake(options, stack, &problem)) {
    case STACK_TAKE_READY:
        return READY;
    case STACK_TAKE_BAD_FILE:
        *status = UsageError(err, problem);
        return NOT_READY;
    default:
        Report(err, KAVROCAP_NAME, "out of memory");
        *status = EXIT_SOME_FAILED;
        return NOT_READY;
    }
}

// The run's frames, on schedule, until the count, Ctrl+C or a closed
// output. Returns whether Ctrl+C ended it.
bool TakeFrames(const CaptureOptions &options, RunState *run, RunCounts *counts)
{
    if (WarmUp(options, *run) == TAKE_STOPPED)
        return true;
    Schedule schedule;
    run->start_us = run->clock->now_us(run->clock->context);
    StartSchedule(&schedule, run->start_us, options.interval_us, options.count);
    while (!run->broken) {
        int64_t slot = 0, skipped = 0;
        SlotResult due = WaitForSlot(&schedule, run->clock, &slot, &skipped);
        if (due == SLOT_NO_MORE)
            return false;
        if (due == SLOT_STOPPED)
            return true;
        if (skipped > 0) {
            counts->skipped += skipped;
            for (int64_t k = skipped; k > 0; --k)
                LogSkipped(run->events, options.start + slot - k);
            if (!options.quiet)
                ReportSkipped(*run, options.start + slot - skipped, skipped);
        }
        KeepResult kept = TakeAndKeep(options, run, slot, schedule);
        if (kept == KEEP_STOPPED)
            return true;
        if (kept == KEPT)
            ++counts->saved;
        else
            ++counts->failed;
    }
    return false;
}

}  // namespace

ExitStatus RunKavrocapWith(const std::vector<std::string> &args, FILE *out, FILE *err,
                           const CameraSeam &camera, const CaptureClock &clock,
                           const ExecSeam &exec)
{
    CaptureOptions options;
    std::string problem;
    if (ParseCaptureOptions(args, &options, &problem) != OPTIONS_ACCEPTED)
        return UsageError(err, problem);
    if (options.command == COMMAND_HELP) {
        fputs(KAVROCAP_HELP, out);
        fflush(out);
        return EXIT_ALL_DONE;
    }
    if (options.command == COMMAND_VERSION) {
        PrintLine(out, std::string(KAVROCAP_NAME " ") + PUKAVRO_VERSION_TEXT);
        return EXIT_ALL_DONE;
    }
    if (options.command == COMMAND_LIST)
        return ListCamerasTo(options, out, err, camera);
    ExitStatus status = EXIT_ALL_DONE;
    if (Prepare(&options, err, &status) != READY)
        return status;
    MovieRecording movie;
    if (options.movie) {
        std::string path;
        if (NameMovie(options, clock, err, &path, &status) != READY)
            return status;
        StartRecording(&movie, path, options);
    }
    StackTake stack;
    bool stacks = StacksFrames(options.stack, options.format);
    if (stacks && StartStacking(options, &stack, err, &status) != READY)
        return status;
    EventLog events;
    if (OpenEvents(options, out, err, &events.stream, &status) != READY) {
        if (stacks)
            EndStackTake(&stack);
        return status;
    }
    LogStart(&events, options);
    void *bound = camera.open(options.device.c_str());
    if (bound == NULL) {
        Report(err, KAVROCAP_NAME, "out of memory");
        CloseEvents(options, &events);
        if (stacks)
            EndStackTake(&stack);
        return EXIT_SOME_FAILED;
    }
    RunState run = {out,
                    err,
                    {camera, bound},
                    &clock,
                    std::string(),
                    false,
                    options.movie ? &movie : NULL,
                    0,
                    stacks ? &stack : NULL,
                    &events,
                    NULL,
                    options.events != "-",
                    {},
                    0};
    ExecQueue queue;
    ExecTelling telling = {&run, options.quiet != 0};
    if (!options.exec.empty()) {
        StartExecQueue(&queue, exec, options.exec, options.exec_timeout_ms,
                       ExecReporter{TellExec, &telling});
        run.exec = &queue;
    }
    RunCounts counts = {0, 0, 0};
    bool stopped = TakeFrames(options, &run, &counts);
    camera.close(bound);
    if (stacks)
        EndStackTake(&stack);
    bool movie_failed = false;
    if (options.movie) {
        std::string reason;
        movie_failed = FinishRecording(&movie, &reason) != RECORD_OK || run.broken;
        if (!reason.empty())
            Tell(run, reason);
        LogMovieFramesOnDisk(&run);
        for (const FrameEvent &lost : run.in_memory)
            LogFailed(&events, lost.number, FAILED_RECORDING,
                      movie.path + ": lost: the movie stopped before the frame was on disk");
        // Frames that waited in memory when the disk filled are lost too.
        counts.failed += counts.saved - RecordedFrames(&movie);
        counts.saved = RecordedFrames(&movie);
        if (counts.saved > 0 && run.list_files)
            PrintLine(out, movie.path);
        if (counts.saved == 0)
            movie_failed = true;
        else if (run.exec != NULL)
            SubmitExec(run.exec, movie.path);
    }
    if (run.exec != NULL)
        FinishExecQueue(run.exec, stopped);
    // Even with -q: one line that says how the run went, and whether Ctrl+C
    // ended it.
    Tell(run, std::to_string(counts.saved) + (options.movie ? " recorded, " : " saved, ")
                  + std::to_string(counts.failed) + " failed, " + std::to_string(counts.skipped)
                  + " slots skipped" + (stopped ? "; stopped by Ctrl+C" : ""));
    if (stopped && options.count != 0)
        status = EXIT_STOPPED;
    else if (counts.failed > 0 || counts.skipped > 0 || movie_failed)
        status = EXIT_SOME_FAILED;
    LogEnd(&events, counts.saved, counts.failed, counts.skipped, status, stopped);
    CloseEvents(options, &events);
    return status;
}

ExitStatus RunKavrocap(const std::vector<std::string> &args, FILE *out, FILE *err,
                       const CameraSeam &camera, const CaptureClock &clock)
{
    return RunKavrocapWith(args, out, err, camera, clock, ExecSeam{RunNothing, NULL});
}
