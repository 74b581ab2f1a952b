#include "events.h"

#include "console.h"
#include "json_text.h"
#include "pukavro_version.h"
#include "stack_settings.h"

namespace {

void Write(EventLog *log, const std::string &fields)
{
    if (log->stream == NULL)
        return;
    std::string line = "{" + fields + "}\n";
    std::lock_guard<std::mutex> hold(log->lock);
    // A console shows the characters; a file or a pipe gets the UTF-8.
    PrintUtf8(log->stream, line.c_str());
    fflush(log->stream);
}

std::string Field(const char *name, const std::string &json)
{
    return std::string(",\"") + name + "\":" + json;
}

std::string Number(int64_t value)
{
    return std::to_string(value);
}

std::string Boolean(bool value)
{
    return value ? "true" : "false";
}

std::string Event(const char *name)
{
    return std::string("\"event\":\"") + name + "\"";
}

struct ReasonCode {
    const char *words;  // what the reason says
    const char *code;
};

// In the order to look: "did not end" is a time-out too, and worse. The
// words are take_frame.cpp's and save_frame.cpp's.
const ReasonCode TAKING_CODES[] = {
    {"camera not found", "camera_not_found"},
    {"request failed", "request_failed"},
    {"short read", "short_read"},
    {"did not end", "driver_stuck"},
    {"no answer within the time-out", "timed_out"},
    {"has not returned an earlier request", "driver_held"},
    {"in use by another user", "other_user"},
};
// Paths hold no ": " on Windows (a colon only after the drive letter).
const ReasonCode KEEPING_CODES[] = {
    {": file exists", "file_exists"},
    {"standard output is closed", "output_closed"},
    {"write failed", "write_failed"},
    {"out of memory", "out_of_memory"},
};

}  // namespace

const char *FailureCode(FailureStage stage, const std::string &reason)
{
    if (stage == FAILED_TAKING) {
        for (const ReasonCode &code : TAKING_CODES)
            if (reason.find(code.words) != std::string::npos)
                return code.code;
        return "camera_failed";
    }
    if (stage == FAILED_RECORDING)
        return "movie_failed";
    for (const ReasonCode &code : KEEPING_CODES)
        if (reason.find(code.words) != std::string::npos)
            return code.code;
    return "name_refused";
}

std::string IsoTime(const FrameTime &t, int utc_offset_minutes)
{
    int offset = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
    char text[40];
    snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month,
             t.day, t.hour, t.minute, t.second, t.milliseconds, utc_offset_minutes < 0 ? '-' : '+',
             offset / 60, offset % 60);
    return text;
}

void LogStart(EventLog *log, const CaptureOptions &o)
{
    std::string options =
        "{\"output\":" + JsonText(o.output) + Field("format", JsonText(FormatWord(o.format)))
        + Field("count", Number(o.count)) + Field("interval", SecondsText(o.interval_us))
        + Field("skip", Number(o.skip)) + Field("start", Number(o.start))
        + Field("overwrite", Boolean(o.overwrite != 0))
        + Field("timeout", SecondsText(o.timeout_ms * 1000)) + Field("retries", Number(o.retries))
        + Field("average", Number(o.stack.average > 0 ? o.stack.average : 1))
        + Field("stack", JsonText(StackMethodWord(o.stack.method)))
        + Field("exec", o.exec.empty() ? "null" : JsonText(o.exec))
        + Field("exec_timeout", SecondsText(o.exec_timeout_ms * 1000)) + "}";
    Write(log, Event("start") + Field("schema", Number(KAVROCAP_EVENTS_SCHEMA))
                   + Field("version", JsonText(PUKAVRO_VERSION_TEXT)) + Field("options", options)
                   + Field("camera", JsonText(o.device)));
}

void LogFrame(EventLog *log, const FrameEvent &f)
{
    Write(log, Event("frame") + Field("path", JsonText(f.path)) + Field("n", Number(f.number))
                   + (f.movie_index >= 0 ? Field("index", Number(f.movie_index)) : "")
                   + Field("time", JsonText(IsoTime(f.time, f.utc_offset_minutes)))
                   + Field("take_ms", Number(f.take_ms)) + Field("stacked", Number(f.stacked)));
}

void LogFailed(EventLog *log, int64_t slot, FailureStage stage, const std::string &reason)
{
    Write(log, Event("failed") + Field("slot", Number(slot)) + Field("reason", JsonText(reason))
                   + Field("code", JsonText(FailureCode(stage, reason))));
}

void LogSkipped(EventLog *log, int64_t slot)
{
    Write(log, Event("skipped") + Field("slot", Number(slot)));
}

void LogExec(EventLog *log, const ExecResult &r)
{
    static const char *const RESULTS[] = {"exited", "timed out", "could not start", "dropped",
                                          "not run"};
    Write(log, Event("exec") + Field("path", JsonText(r.path))
                   + Field("result", JsonText(RESULTS[r.outcome]))
                   + Field("exit_code", r.outcome == EXEC_EXITED ? Number(r.exit_code) : "null")
                   + Field("ms", Number(r.ms)) + Field("text", JsonText(ExecOutcomeText(r))));
}

void LogEnd(EventLog *log, int64_t saved, int64_t failed, int64_t skipped, int status, bool ctrl_c)
{
    Write(log, Event("end") + Field("saved", Number(saved)) + Field("failed", Number(failed))
                   + Field("skipped", Number(skipped)) + Field("status", Number(status))
                   + Field("ctrl_c", Boolean(ctrl_c)));
}
