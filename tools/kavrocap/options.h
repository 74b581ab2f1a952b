// kavrocap's command line: every option, in any order. Platform-free.
#ifndef PUKAVRO_KAVROCAP_OPTIONS_H
#define PUKAVRO_KAVROCAP_OPTIONS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "ezusb_device.h"
#include "frame_rate.h"
#include "output_format.h"
#include "pattern.h"
#include "stack_settings.h"
#include "stamp_font.h"
#include "stamp_text.h"

enum CaptureCommand { COMMAND_CAPTURE, COMMAND_LIST, COMMAND_HELP, COMMAND_VERSION };

// The defaults, as the code takes them and --help tells them (through
// KAVROCAP_TEXT); the device's is EZUSB_DEVICE_PATH.
#define KAVROCAP_DEFAULT_NAME "kavro{n:03}"  // with --format, its extension follows
#define KAVROCAP_DEFAULT_OUTPUT KAVROCAP_DEFAULT_NAME ".bin"
#define KAVROCAP_DEFAULT_MOVIE "kavro-{date}-{time}.avi"  // -f avi without OUTPUT
#define KAVROCAP_DEFAULT_FPS 25  // a time-lapse's, and a burst's of fewer than two frames
#define KAVROCAP_DEFAULT_COUNT 1
#define KAVROCAP_DEFAULT_INTERVAL_S 0
#define KAVROCAP_DEFAULT_START 1
#define KAVROCAP_DEFAULT_TIMEOUT_S 5
#define KAVROCAP_DEFAULT_RETRIES 2
#define KAVROCAP_DEFAULT_EXEC_TIMEOUT_S 60

// A number above as the text of a string literal.
#define KAVROCAP_TEXT(number) KAVROCAP_TEXT_OF(number)
#define KAVROCAP_TEXT_OF(number) #number

struct CaptureOptions {
    CaptureCommand command;
    std::string output;   // the pattern as given, or "-"
    int to_stdout;        // OUTPUT "-": the frames themselves go to standard output
    NamePattern pattern;  // parsed output, unless to_stdout
    OutputFormat format;
    int movie;      // FORMAT_AVI: every frame into the one file OUTPUT names
    FrameRate fps;  // the movie's playback rate, when fps_given
    int fps_given;
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
    int json;             // --list as a JSON array
    StackSettings stack;  // --average, --stack, --dark, --hot-pixels
    // --events and --exec
    std::string events;  // the events' file, "-" for standard output; "": none
    std::string exec;    // the command run after each saved file; "": none
    int64_t exec_timeout_ms;
    // Pictures only (stills_options.cpp): JPEG quality, a time stamp, 1x-8x.
    int quality;
    int stamp_given;
    StampFormat stamp;
    StampCorner stamp_at;
    int scale;
    int quality_given, stamp_at_given, scale_given;
};

enum OptionsResult { OPTIONS_ACCEPTED, OPTIONS_REFUSED };

// Reads args (args[0] is the program's name). On OPTIONS_REFUSED, problem
// says what is wrong in one line.
OptionsResult ParseCaptureOptions(const std::vector<std::string> &args, CaptureOptions *options,
                                  std::string *problem);

// "3", "0.25", "10." as microseconds (fractions finer than that ignored).
// false when text is no plain decimal number or exceeds limit_us.
bool ParseSeconds(const char *text, int64_t limit_us, int64_t *us);

// Microseconds as seconds are written back to the user: "0.5", "5".
std::string SecondsText(int64_t us);

#endif
