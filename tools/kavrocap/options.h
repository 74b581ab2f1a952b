// kavrocap's command line: every option, in any order. Platform-free.
#ifndef PUKAVRO_KAVROCAP_OPTIONS_H
#define PUKAVRO_KAVROCAP_OPTIONS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "pattern.h"

// Exit statuses, as --help tells them. Never negative: a batch file's
// IF ERRORLEVEL 1 must see every failure.
enum {
    EXIT_ALL_SAVED = 0,    // every frame saved (or help, version shown)
    EXIT_SOME_FAILED = 1,  // a frame failed, or existing files were refused
    EXIT_USAGE = 2,        // a wrong command line; the camera was not opened
    EXIT_STOPPED = 3,      // Ctrl+C before the count was reached
};

enum CaptureCommand { COMMAND_CAPTURE, COMMAND_HELP, COMMAND_VERSION };

enum OutputFormat { FORMAT_RAW, FORMAT_BMP, FORMAT_PNG };

#define KAVROCAP_DEFAULT_OUTPUT "kavro{n:03}.bin"
#define KAVROCAP_DEFAULT_DEVICE "\\\\.\\ezusb-0"

enum {
    DEFAULT_TIMEOUT_MS = 5000,
    DEFAULT_RETRIES = 2,
};

struct CaptureOptions {
    CaptureCommand command;
    std::string output;   // the pattern as given, or "-"
    int to_stdout;        // OUTPUT "-": the frames themselves go to standard output
    NamePattern pattern;  // parsed output, unless to_stdout
    OutputFormat format;
    int64_t count;        // slots; 0: until Ctrl+C
    int64_t interval_us;  // between slot starts; 0: back to back
    int64_t skip;         // warm-up frames thrown away first
    int64_t start;        // number of the first saved frame
    int continue_numbering;
    int overwrite;
    int64_t timeout_ms;
    int64_t retries;
    std::string device;
    int quiet;
};

// Reads args (args[0] is the program's name). Returns 0, or -1 with problem
// saying what is wrong in one line.
int ParseCaptureOptions(const std::vector<std::string> &args, CaptureOptions *options,
                        std::string *problem);

// "3", "0.25", "10." as microseconds (fractions finer than that ignored).
// Returns 0, or -1 when text is no plain decimal number or exceeds limit_us.
int ParseSeconds(const char *text, int64_t limit_us, int64_t *us);

#endif
