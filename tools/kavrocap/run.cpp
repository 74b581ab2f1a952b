#include "frame.h"
#include "help.h"
#include "kavrocap.h"
#include "pukavro_version.h"
#include "schedule.h"
#include "text.h"

namespace {

struct RunCounts {
    int64_t saved, failed, skipped;
};

int UsageError(const std::string &problem)
{
    Report(problem);
    fputs(KAVROCAP_USAGE, stderr);
    return EXIT_USAGE;
}

FrameTime LocalTimeNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FrameTime time = {now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                      now.wMinute, now.wSecond, now.wMilliseconds};
    return time;
}

void ReportSkipped(int64_t first, int64_t skipped)
{
    if (skipped == 1)
        Report("frame " + std::to_string(first)
               + " skipped: its time passed while the frame before was taken");
    else
        Report("frames " + std::to_string(first) + "-" + std::to_string(first + skipped - 1)
               + " skipped: their time passed while the frame before was taken");
}

// The warm-up frames, back to back. 1 when stopped, else 0; a warm-up frame
// that cannot be taken is reported and not repeated.
int WarmUp(const CaptureOptions &options, const std::wstring &device, HANDLE stop)
{
    uint8_t frame[RAW_FRAME_BYTES];
    for (int64_t i = 0; i < options.skip; ++i) {
        std::string reason;
        int taken = TakeFrameWithRetries(options, device, stop, frame, &reason);
        if (taken == TAKE_STOPPED)
            return 1;
        if (taken == TAKE_FAILED)
            Report("warm-up frame " + std::to_string(i + 1) + ": " + reason);
    }
    return 0;
}

// Takes and keeps one frame. 0 saved, -1 failed, 1 stopped; *broken when
// standard output cannot take more.
int TakeAndKeep(const CaptureOptions &options, const std::wstring &device, HANDLE stop,
                int64_t slot, int64_t number, int *broken)
{
    uint8_t frame[RAW_FRAME_BYTES];
    std::string reason;
    int taken = TakeFrameWithRetries(options, device, stop, frame, &reason);
    if (taken == TAKE_STOPPED)
        return 1;
    std::string path = options.to_stdout
                           ? std::string()
                           : FormatOutputName(options.pattern, number, LocalTimeNow());
    std::vector<uint8_t> bytes;
    if (taken == TAKE_FRAME && EncodeFrame(frame, options.format, &bytes) != 0) {
        taken = TAKE_FAILED;
        reason = "out of memory";
    }
    if (taken == TAKE_FRAME && options.to_stdout && WriteToStandardOutput(bytes) != 0) {
        taken = TAKE_FAILED;
        reason = "write failed: standard output is closed";
        *broken = 1;
    }
    if (taken == TAKE_FRAME && !options.to_stdout) {
        std::string name_problem;
        size_t name_at = options.pattern.folder.size();
        if (CheckFileName(path.substr(name_at), &name_problem) != 0) {
            taken = TAKE_FAILED;
            reason = path + ": " + name_problem;
        } else if (SaveFile(path, bytes, options.overwrite, &reason) != 0) {
            taken = TAKE_FAILED;
        }
    }
    if (taken != TAKE_FRAME) {
        Report("frame " + std::to_string(number) + ": " + reason);
        return -1;
    }
    if (!options.to_stdout) {
        PrintUtf8(stdout, (path + "\n").c_str());
        fflush(stdout);
    }
    if (!options.quiet) {
        std::string progress = std::to_string(slot + 1);
        if (options.count != 0)
            progress += "/" + std::to_string(options.count);
        Report(progress + " " + (options.to_stdout ? "(standard output)" : path));
    }
    return 0;
}

// Everything that can refuse the run before the camera is opened. Returns
// -1 when the run is not to start, with *status set.
int Prepare(CaptureOptions *options, int *status)
{
    if (options->to_stdout)
        return 0;
    if (!FolderExists(options->pattern.folder)) {
        *status = UsageError("folder not found: " + options->pattern.folder);
        return -1;
    }
    if (options->continue_numbering)
        options->start = NumberAfterExisting(options->pattern, ListFolder(options->pattern.folder));
    // Every name of the run is known now: better to refuse it whole than to
    // stop halfway through a time-lapse.
    if (!options->overwrite && !options->pattern.has_clock && options->count != 0) {
        std::string existing = FirstExistingName(options->pattern, options->start, options->count);
        if (!existing.empty()) {
            Report(existing + " exists; nothing was captured (--overwrite replaces it)");
            *status = EXIT_SOME_FAILED;
            return -1;
        }
    }
    return 0;
}

}  // namespace

void Report(const std::string &text)
{
    PrintUtf8(stderr, ("kavrocap: " + text + "\n").c_str());
}

int RunKavrocap(const std::vector<std::string> &args)
{
    CaptureOptions options;
    std::string problem;
    if (ParseCaptureOptions(args, &options, &problem) != 0)
        return UsageError(problem);
    if (options.command == COMMAND_HELP) {
        fputs(KAVROCAP_HELP, stdout);
        return EXIT_ALL_SAVED;
    }
    if (options.command == COMMAND_VERSION) {
        printf("kavrocap %s\n", PUKAVRO_VERSION_TEXT);
        return EXIT_ALL_SAVED;
    }
    int status = EXIT_ALL_SAVED;
    if (Prepare(&options, &status) != 0)
        return status;
    HANDLE stop = StartStopSignal();
    if (stop == NULL) {
        Report("cannot watch for Ctrl+C");
        return EXIT_SOME_FAILED;
    }

    std::wstring device = WidenUtf8(options.device.c_str());
    RunCounts counts = {0, 0, 0};
    int stopped = WarmUp(options, device, stop);
    ScheduleClock clock = {SteadyMicroseconds, WaitUnlessStopped, stop};
    Schedule schedule;
    StartSchedule(&schedule, SteadyMicroseconds(NULL), options.interval_us, options.count);
    int broken = 0;
    while (!stopped && !broken) {
        int64_t slot = 0, skipped = 0;
        SlotResult due = WaitForSlot(&schedule, &clock, &slot, &skipped);
        if (due == SLOT_NO_MORE)
            break;
        if (due == SLOT_STOPPED) {
            stopped = 1;
            break;
        }
        if (skipped > 0) {
            counts.skipped += skipped;
            if (!options.quiet)
                ReportSkipped(options.start + slot - skipped, skipped);
        }
        int kept = TakeAndKeep(options, device, stop, slot, options.start + slot, &broken);
        if (kept == 1)
            stopped = 1;
        else if (kept == 0)
            ++counts.saved;
        else
            ++counts.failed;
    }
    if (!options.quiet)
        Report(std::to_string(counts.saved) + " saved, " + std::to_string(counts.failed)
               + " failed, " + std::to_string(counts.skipped) + " slots skipped");
    fflush(stdout);
    fflush(stderr);
    if (stopped && options.count != 0)
        return EXIT_STOPPED;
    return counts.failed > 0 || counts.skipped > 0 ? EXIT_SOME_FAILED : EXIT_ALL_SAVED;
}
