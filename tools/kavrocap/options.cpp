#include <stdio.h>
#include <string.h>

#include "camera_choice.h"
#include "command_split.h"
#include "find_option.h"
#include "no_case.h"
#include "options.h"
#include "still_options.h"

namespace {

const int64_t MAX_COUNT = 2147483647;
const int64_t MAX_START = 999999999;
const int64_t MAX_SKIP = 1000000;
const int64_t MAX_RETRIES = 100;
const int64_t MAX_INTERVAL_US = 1000000LL * 1000000;  // a million seconds
const int64_t MAX_TIMEOUT_US = 1000000LL * 86400;     // a day

enum OptionId {
    OPT_COUNT,
    OPT_INTERVAL,
    OPT_SKIP,
    OPT_FORMAT,
    OPT_START,
    OPT_CONTINUE,
    OPT_OVERWRITE,
    OPT_TIMEOUT,
    OPT_RETRIES,
    OPT_DEVICE,
    OPT_QUIET,
    OPT_LIST,
    OPT_JSON,
    OPT_VERSION,
    OPT_HELP,
    OPT_OUTPUT,
    OPT_FPS,
    OPT_EVENTS,
    OPT_EXEC,
    OPT_EXEC_TIMEOUT,
    OPT_AVERAGE,
    OPT_STACK,
    OPT_DARK,
    OPT_HOT_PIXELS,
    OPT_QUALITY,
    OPT_STAMP,
    OPT_STAMP_AT,
    OPT_SCALE,
    OPTION_COUNT
};

struct OptionName {
    OptionId id;
    const char *short_name;  // NULL: long form only
    const char *long_name;
    int takes_value;
};

const OptionName OPTIONS[] = {
    {OPT_COUNT, "-n", "--count", 1},
    {OPT_INTERVAL, "-i", "--interval", 1},
    {OPT_SKIP, "-s", "--skip", 1},
    {OPT_FORMAT, "-f", "--format", 1},
    {OPT_START, NULL, "--start", 1},
    {OPT_CONTINUE, NULL, "--continue", 0},
    {OPT_OVERWRITE, NULL, "--overwrite", 0},
    {OPT_TIMEOUT, "-t", "--timeout", 1},
    {OPT_RETRIES, "-r", "--retries", 1},
    {OPT_DEVICE, "-d", "--device", 1},
    {OPT_QUIET, "-q", "--quiet", 0},
    {OPT_LIST, NULL, "--list", 0},
    {OPT_JSON, NULL, "--json", 0},
    {OPT_VERSION, NULL, "--version", 0},
    {OPT_HELP, "-h", "--help", 0},
    {OPT_OUTPUT, "-o", "--output", 1},
    {OPT_FPS, NULL, "--fps", 1},
    {OPT_EVENTS, NULL, "--events", 1},
    {OPT_EXEC, NULL, "--exec", 1},
    {OPT_EXEC_TIMEOUT, NULL, "--exec-timeout", 1},
    {OPT_AVERAGE, NULL, "--average", 1},
    {OPT_STACK, NULL, "--stack", 1},
    {OPT_DARK, NULL, "--dark", 1},
    {OPT_HOT_PIXELS, NULL, "--hot-pixels", 1},
    {OPT_QUALITY, NULL, "--quality", 1},
    {OPT_STAMP, NULL, "--stamp", 1},
    {OPT_STAMP_AT, NULL, "--stamp-at", 1},
    {OPT_SCALE, NULL, "--scale", 1},
};

OptionsResult Fail(std::string *problem, const std::string &text)
{
    *problem = text;
    return OPTIONS_REFUSED;
}

// The program is what Windows will start: never one that cmd.exe runs,
// which would read a name's & or % as commands.
OptionsResult SetExec(const std::string &name, const char *value, CaptureOptions *options,
                      std::string *problem)
{
    std::string program = SplitCommandLine(value)[0];
    if (program.find_first_not_of(" \t") == std::string::npos)
        return Fail(problem, name + " takes a command: a program and its arguments");
    if (GoesThroughCmd(program))
        return Fail(problem, name
                                 + " runs programs, not cmd.exe or batch files (.bat, .cmd), which"
                                   " would read & or % in a file's name as commands: "
                                 + program);
    options->exec = value;
    return OPTIONS_ACCEPTED;
}

// The options of pictures made of many frames.
OptionsResult SetStackValue(OptionId id, const std::string &name, const char *value,
                            CaptureOptions *options, std::string *problem)
{
    StackSettings *stack = &options->stack;
    if (id == OPT_AVERAGE
        && (!ParseWhole(value, STACK_MOST_FRAMES, &stack->average) || stack->average == 0))
        return Fail(problem, name + " takes a whole number from 1 to "
                                 + std::to_string(STACK_MOST_FRAMES) + ", not '" + value + "'");
    if (id == OPT_STACK && !SetStackMethod(name, value, stack, problem))
        return OPTIONS_REFUSED;
    if ((id == OPT_DARK || id == OPT_HOT_PIXELS) && *value == '\0')
        return Fail(problem, name + " needs a file");
    if (id == OPT_DARK)
        stack->dark = value;
    if (id == OPT_HOT_PIXELS)
        SetHotPixels(value, stack);
    return OPTIONS_ACCEPTED;
}

// A movie takes every frame as it comes.
OptionsResult CheckStacking(const CaptureOptions &options, std::string *problem)
{
    if (options.movie && StacksFrames(options.stack, options.format))
        return Fail(problem, "--average, --dark and --hot-pixels make pictures, not a movie");
    std::string stack_problem =
        StackSettingsProblem(options.stack, options.stack.average > 0 ? options.stack.average : 1);
    if (!stack_problem.empty())
        return Fail(problem, stack_problem);
    return OPTIONS_ACCEPTED;
}

// A time-out in seconds (a millisecond to a day), kept in whole milliseconds.
OptionsResult SetTimeout(const std::string &name, const char *value, int64_t *ms,
                         std::string *problem)
{
    int64_t us;
    if (!ParseSeconds(value, MAX_TIMEOUT_US, &us) || us < 1000)
        return Fail(problem, name + " takes seconds from 0.001 to "
                                 + std::to_string(MAX_TIMEOUT_US / 1000000) + ", not '" + value
                                 + "'");
    *ms = (us + 999) / 1000;
    return OPTIONS_ACCEPTED;
}

OptionsResult SetValue(OptionId id, const std::string &name, const char *value,
                       CaptureOptions *options, std::string *problem)
{
    switch (id) {
    case OPT_COUNT:
        if (!ParseWhole(value, MAX_COUNT, &options->count))
            return Fail(problem, name + " takes a whole number from 0 to "
                                     + std::to_string(MAX_COUNT) + ", not '" + value + "'");
        return OPTIONS_ACCEPTED;
    case OPT_SKIP:
        if (!ParseWhole(value, MAX_SKIP, &options->skip))
            return Fail(problem, name + " takes a whole number from 0 to "
                                     + std::to_string(MAX_SKIP) + ", not '" + value + "'");
        return OPTIONS_ACCEPTED;
    case OPT_START:
        if (!ParseWhole(value, MAX_START, &options->start))
            return Fail(problem, name + " takes a whole number from 0 to "
                                     + std::to_string(MAX_START) + ", not '" + value + "'");
        return OPTIONS_ACCEPTED;
    case OPT_RETRIES:
        if (!ParseWhole(value, MAX_RETRIES, &options->retries))
            return Fail(problem, name + " takes a whole number from 0 to "
                                     + std::to_string(MAX_RETRIES) + ", not '" + value + "'");
        return OPTIONS_ACCEPTED;
    case OPT_INTERVAL:
        if (!ParseSeconds(value, MAX_INTERVAL_US, &options->interval_us))
            return Fail(problem, name + " takes seconds from 0 to "
                                     + std::to_string(MAX_INTERVAL_US / 1000000) + ", not '" + value
                                     + "'");
        return OPTIONS_ACCEPTED;
    case OPT_TIMEOUT:
        return SetTimeout(name, value, &options->timeout_ms, problem);
    case OPT_FORMAT:
        if (!FormatFromWord(value, &options->format))
            return Fail(problem, UnknownFormatProblem(name, value, true));
        return OPTIONS_ACCEPTED;
    case OPT_FPS:
        if (ParseFrameRate(value, &options->fps) != FRAME_RATE_PARSED)
            return Fail(problem, FrameRateProblem(name, value));
        options->fps_given = 1;
        return OPTIONS_ACCEPTED;
    case OPT_DEVICE:
        if (ChooseDevice(value, &options->device) != DEVICE_CHOSEN)
            return Fail(problem, name + " takes a camera number from 0 to "
                                     + std::to_string(EZUSB_CAMERA_NUMBERS - 1)
                                     + " or a device path (" DEVICE_PATH_PREFIX "NAME), not '"
                                     + value + "'");
        return OPTIONS_ACCEPTED;
    case OPT_EVENTS:
        if (*value == '\0')
            return Fail(problem, name + " takes a file name, or - for standard output");
        options->events = value;
        return OPTIONS_ACCEPTED;
    case OPT_EXEC:
        return SetExec(name, value, options, problem);
    case OPT_EXEC_TIMEOUT:
        return SetTimeout(name, value, &options->exec_timeout_ms, problem);
    case OPT_AVERAGE:
    case OPT_STACK:
    case OPT_DARK:
    case OPT_HOT_PIXELS:
        return SetStackValue(id, name, value, options, problem);
    case OPT_QUALITY:
    case OPT_STAMP:
    case OPT_STAMP_AT:
    case OPT_SCALE:
        return SetStillValue(name, value, options, problem) == STILL_OPTION_ACCEPTED
                   ? OPTIONS_ACCEPTED
                   : OPTIONS_REFUSED;
    default:
        return OPTIONS_ACCEPTED;
    }
}

void SetDefaults(CaptureOptions *options)
{
    options->command = COMMAND_CAPTURE;
    options->output = KAVROCAP_DEFAULT_OUTPUT;
    options->to_stdout = 0;
    options->pattern = NamePattern();
    options->format = FORMAT_RAW;
    options->movie = 0;
    options->fps = FrameRate{KAVROCAP_DEFAULT_FPS, 1};
    options->fps_given = 0;
    options->count = KAVROCAP_DEFAULT_COUNT;
    options->interval_us = KAVROCAP_DEFAULT_INTERVAL_S * 1000000LL;
    options->skip = 0;
    options->start = KAVROCAP_DEFAULT_START;
    options->continue_numbering = 0;
    options->overwrite = 0;
    options->timeout_ms = KAVROCAP_DEFAULT_TIMEOUT_S * 1000;
    options->retries = KAVROCAP_DEFAULT_RETRIES;
    options->device = EZUSB_DEVICE_PATH;
    options->quiet = 0;
    options->json = 0;
    options->events.clear();
    options->exec.clear();
    options->exec_timeout_ms = KAVROCAP_DEFAULT_EXEC_TIMEOUT_S * 1000;
    ClearStackSettings(&options->stack);
    SetStillDefaults(options);
}

// Standard output holds one thing: the frames, or the events.
OptionsResult CheckEventsAndExec(const int *given, const CaptureOptions &options,
                                 std::string *problem)
{
    bool frames_out = options.output == "-";
    if (options.events == "-" && frames_out)
        return Fail(problem, "--events - and OUTPUT - cannot both use standard output");
    if (!options.exec.empty() && frames_out)
        return Fail(problem, "--exec runs a program for each saved file, and OUTPUT - saves none");
    if (given[OPT_EXEC_TIMEOUT] && options.exec.empty())
        return Fail(problem, "--exec-timeout goes with --exec");
    return OPTIONS_ACCEPTED;
}

// --list takes only --json and -q; --json goes with --list only.
OptionsResult CheckListing(const std::string *given_as, int output_given, CaptureOptions *options,
                           std::string *problem)
{
    bool listing = !given_as[OPT_LIST].empty();
    if (!listing) {
        if (!given_as[OPT_JSON].empty())
            return Fail(problem, "--json goes with --list only");
        return OPTIONS_ACCEPTED;
    }
    for (const OptionName &option : OPTIONS)
        if (!given_as[option.id].empty() && option.id != OPT_LIST && option.id != OPT_JSON
            && option.id != OPT_QUIET)
            return Fail(problem, "--list cannot be used with " + given_as[option.id]);
    if (output_given)
        return Fail(problem, "--list takes no OUTPUT: " + options->output);
    options->command = COMMAND_LIST;
    return OPTIONS_ACCEPTED;
}

// Names made by the second ({time} without {ms} or {n}) cannot tell apart
// frames that come less than a second apart: refused before the camera is
// opened rather than failed frame by frame as "file exists".
OptionsResult CheckNamesDiffer(const CaptureOptions &options, std::string *problem)
{
    const NamePattern &pattern = options.pattern;
    if (options.count == 1 || pattern.has_number || pattern.has_ms || !pattern.has_time
        || options.interval_us >= 1000000)
        return OPTIONS_ACCEPTED;
    std::string pace = options.interval_us == 0 ? "without -i frames come back to back"
                                                : "-i " + SecondsText(options.interval_us)
                                                      + " takes more than one a second";
    return Fail(problem, "{time} names one frame a second, but " + pace
                             + ": add {ms} or {n} to OUTPUT: " + options.output);
}

// The format the name's extension and --format agree on.
OptionsResult SettleFormat(const int *given, CaptureOptions *options, std::string *problem)
{
    FrameTime midnight = {2000, 1, 1, 0, 0, 0, 0};
    std::string sample = FormatOutputName(options->pattern, options->start, midnight);
    OutputFormat named = FORMAT_RAW;
    bool has_extension = FormatFromExtension(sample.c_str(), &named);
    if (!given[OPT_FORMAT] && !has_extension)
        return Fail(problem, UnknownExtensionProblem(options->output, true));
    if (given[OPT_FORMAT] && has_extension && !FormatsAgree(options->format, named))
        return Fail(problem,
                    FormatConflictProblem("--format", options->format, options->output, named));
    if (has_extension && !given[OPT_FORMAT])
        options->format = named;
    options->movie = options->format == FORMAT_AVI;
    return OPTIONS_ACCEPTED;
}

// A movie is one file, named once at the start of the recording.
OptionsResult CheckMovie(const int *given, CaptureOptions *options, std::string *problem)
{
    if (!options->movie) {
        if (given[OPT_FPS])
            return Fail(problem, "--fps goes with a movie (OUTPUT ending in .avi, or -f avi)");
        return OPTIONS_ACCEPTED;
    }
    if (options->pattern.has_number)
        return Fail(problem, "a movie is one file: OUTPUT takes no {n} or %d: " + options->output);
    if (given[OPT_START])
        return Fail(problem, "--start numbers pictures, not a movie");
    if (options->continue_numbering)
        return Fail(problem, "--continue numbers pictures, not a movie");
    return OPTIONS_ACCEPTED;
}

// The rules between options and the pattern, once everything is read.
OptionsResult CheckTogether(const int *given, int output_given, CaptureOptions *options,
                            std::string *problem)
{
    options->to_stdout = options->output == "-";
    if (options->to_stdout) {
        if (options->format == FORMAT_AVI)
            return Fail(
                problem,
                "a movie cannot go to standard output: it is rewritten in place as it grows");
        if (given[OPT_FPS])
            return Fail(problem, "--fps goes with a movie (OUTPUT ending in .avi, or -f avi)");
        if (options->continue_numbering)
            return Fail(problem, "--continue needs an OUTPUT pattern with {n}, not -");
        if (!given[OPT_FORMAT])
            options->format = FORMAT_RAW;
        return CheckStillOptions(*options, problem) == STILL_OPTION_ACCEPTED ? OPTIONS_ACCEPTED
                                                                             : OPTIONS_REFUSED;
    }
    // Without OUTPUT, --format names the default file too.
    if (!output_given && given[OPT_FORMAT])
        options->output = options->format == FORMAT_AVI ? std::string(KAVROCAP_DEFAULT_MOVIE)
                                                        : std::string(KAVROCAP_DEFAULT_NAME)
                                                              + FormatExtension(options->format);
    if (ParseNamePattern(options->output.c_str(), &options->pattern, problem) != NAME_ACCEPTED)
        return OPTIONS_REFUSED;
    NamePattern name_only = options->pattern;
    name_only.folder.clear();
    FrameTime midnight = {2000, 1, 1, 0, 0, 0, 0};
    if (CheckFileName(FormatOutputName(name_only, options->start, midnight), problem)
        != NAME_ACCEPTED)
        return OPTIONS_REFUSED;
    if (SettleFormat(given, options, problem) != OPTIONS_ACCEPTED
        || CheckMovie(given, options, problem) != OPTIONS_ACCEPTED)
        return OPTIONS_REFUSED;
    if (CheckStillOptions(*options, problem) != STILL_OPTION_ACCEPTED)
        return OPTIONS_REFUSED;
    if (options->movie)
        return OPTIONS_ACCEPTED;
    if (options->count != 1 && !options->pattern.has_number && !options->pattern.has_time)
        return Fail(problem,
                    std::string("OUTPUT ") + (output_given ? "" : "(default) ")
                        + "needs {n} or {time} to name more than one frame: " + options->output);
    if (options->continue_numbering) {
        if (given[OPT_START])
            return Fail(problem, "--continue and --start cannot be used together");
        if (!options->pattern.has_number)
            return Fail(problem, "--continue needs {n} in OUTPUT: " + options->output);
    }
    return CheckNamesDiffer(*options, problem);
}

}  // namespace

bool ParseSeconds(const char *text, int64_t limit_us, int64_t *us)
{
    int64_t whole = 0;
    int64_t fraction = 0;
    int64_t scale = 100000;
    int digits = 0;
    const char *c = text;
    for (; *c >= '0' && *c <= '9'; ++c, ++digits) {
        whole = whole * 10 + (*c - '0');
        if (whole > limit_us / 1000000)
            return false;
    }
    if (*c == '.') {
        for (++c; *c >= '0' && *c <= '9'; ++c, ++digits) {
            fraction += (*c - '0') * scale;
            scale /= 10;
        }
    }
    if (*c != '\0' || digits == 0)
        return false;
    int64_t total = whole * 1000000 + fraction;
    if (total > limit_us)
        return false;
    *us = total;
    return true;
}

OptionsResult ParseCaptureOptions(const std::vector<std::string> &args, CaptureOptions *options,
                                  std::string *problem)
{
    SetDefaults(options);
    int given[OPTION_COUNT] = {0};
    std::string given_as[OPTION_COUNT];  // each option given, as it was named
    int output_given = 0;
    int only_output = 0;
    for (size_t i = 1; i < args.size(); ++i) {
        const char *arg = args[i].c_str();
        if (!only_output && strcmp(arg, "--") == 0) {
            only_output = 1;
            continue;
        }
        if (!only_output && strcmp(arg, "/?") == 0) {
            options->command = COMMAND_HELP;
            return OPTIONS_ACCEPTED;
        }
        const char *value = NULL;
        const OptionName *option = NULL;
        bool is_output = only_output || arg[0] != '-' || arg[1] == '\0';
        if (!is_output) {
            option = FindOption(OPTIONS, arg, &value);
            if (option != NULL && option->id == OPT_OUTPUT) {
                if (value == NULL) {
                    if (++i == args.size())
                        return Fail(problem, std::string(arg) + " needs a value");
                    value = args[i].c_str();
                }
                arg = value;
                is_output = true;
            }
        }
        if (is_output) {
            if (output_given)
                return Fail(problem,
                            "only one OUTPUT can be given: " + options->output + ", " + arg);
            options->output = arg;
            output_given = 1;
            continue;
        }
        if (option == NULL)
            return Fail(problem, std::string("unknown option ") + arg);
        std::string name = arg[1] == '-' ? option->long_name : option->short_name;
        if (option->id == OPT_HELP) {
            options->command = COMMAND_HELP;
            return OPTIONS_ACCEPTED;
        }
        if (option->id == OPT_VERSION) {
            options->command = COMMAND_VERSION;
            return OPTIONS_ACCEPTED;
        }
        if (given[option->id])
            return Fail(problem, name + " given twice");
        given[option->id] = 1;
        given_as[option->id] = name;
        if (option->takes_value) {
            if (value == NULL) {
                if (++i == args.size())
                    return Fail(problem, name + " needs a value");
                value = args[i].c_str();
            }
            if (SetValue(option->id, name, value, options, problem) != OPTIONS_ACCEPTED)
                return OPTIONS_REFUSED;
        } else if (option->id == OPT_CONTINUE) {
            options->continue_numbering = 1;
        } else if (option->id == OPT_OVERWRITE) {
            options->overwrite = 1;
        } else if (option->id == OPT_QUIET) {
            options->quiet = 1;
        } else if (option->id == OPT_JSON) {
            options->json = 1;
        }
    }
    if (CheckListing(given_as, output_given, options, problem) != OPTIONS_ACCEPTED)
        return OPTIONS_REFUSED;
    if (options->command == COMMAND_LIST)
        return OPTIONS_ACCEPTED;
    if (CheckEventsAndExec(given, *options, problem) != OPTIONS_ACCEPTED)
        return OPTIONS_REFUSED;
    if (CheckTogether(given, output_given, options, problem) != OPTIONS_ACCEPTED)
        return OPTIONS_REFUSED;
    return CheckStacking(*options, problem);
}

std::string SecondsText(int64_t us)
{
    char text[32];
    snprintf(text, sizeof text, "%g", static_cast<double>(us) / 1000000);
    return text;
}
