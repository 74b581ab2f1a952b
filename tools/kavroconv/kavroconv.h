// kavroconv: turns raw frame files (UYVY, no header) into BMP, PNG or JPEG
// pictures that any viewer opens, with the same colours the window paints.
// Everything the tool does lives here as a library, so that tests run it
// in-process; main only hands over the command line and the console streams.
// Names are UTF-8 throughout.
#ifndef PUKAVRO_KAVROCONV_H
#define PUKAVRO_KAVROCONV_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "capture_moment.h"
#include "exit_status.h"
#include "frame.h"
#include "frame_rate.h"
#include "output_format.h"
#include "stack_settings.h"

// How it names itself in every line it reports.
#define KAVROCONV_NAME "kavroconv"

// A movie's frames per second without --fps.
#define KAVROCONV_DEFAULT_FPS 25

// A JPEG's quality without --quality.
#define KAVROCONV_DEFAULT_QUALITY 95

struct Options {
    OutputFormat format;  // BMP, PNG or AVI: what --format or the -o name says, else BMP
    const char *output;   // -o (a movie's always), or NULL for the name beside each input
    FrameRate fps;        // a movie's playback rate
    int fps_given;
    int repair;  // the inputs are movies to make complete again
    int help;
    int version;
    int quiet;                         // no line per converted file
    std::vector<const char *> inputs;  // as given: wildcards not yet expanded
    int average;                       // every input into one picture
    StackSettings stack;               // --stack, --dark, --hot-pixels (average not used)
    int quality;                       // JPEG's
    int quality_given;
};

// Runs the tool: args as GetUtf8Arguments gives them, the program's name
// first. Converted files are listed on out, every problem goes to err as one
// line.
ExitStatus RunKavroconv(const std::vector<std::string> &args, FILE *out, FILE *err);

enum ParseResult { OPTIONS_READ, OPTIONS_WRONG };

// Reads the command line into options (which point into args). On
// OPTIONS_WRONG the problem and the usage line have gone to err.
ParseResult ParseOptions(const std::vector<std::string> &args, Options *options, FILE *err);

void PrintHelp(FILE *out);

// "dir/kavro001.bin" -> "dir/kavro001.bmp" (or .png, .jpg); a name without
// a ".bin" extension keeps it whole and gets the extension appended.
std::string DefaultOutputName(const char *input, OutputFormat format);

enum FrameFileResult { FRAME_FILE_READ, FRAME_FILE_REFUSED };

// Reads the file at path, which must be a regular file holding exactly one
// raw frame. Never waits on a pipe or a device. On FRAME_FILE_REFUSED, why
// has gone to err.
FrameFileResult ReadFrameFile(const char *path, uint8_t *frame, FILE *err);

// Whether both names lead to one and the same existing file (another path,
// a link); false when either does not exist.
bool IsSameFile(const char *first, const char *second);

// When the frame file was last written, the nearest kavroconv comes to
// when the frame was taken (kavrocap and kavroview save a frame as it
// arrives); a JPEG's EXIF tells it as the time taken. -1 when the system
// cannot tell.
int FrameFileMoment(const char *path, CaptureMoment *moment);

enum ConvertResult { FILE_CONVERTED, FILE_NOT_CONVERTED };

// Converts one raw frame file into a picture file (a JPEG at quality) and,
// unless quiet, lists it on out. On FILE_NOT_CONVERTED, one line naming the
// file and the reason has gone to err.
ConvertResult ConvertFile(const char *input, const char *output, OutputFormat format, int quality,
                          int quiet, FILE *out, FILE *err);

enum MovieMade { MOVIE_MADE, MOVIE_NOT_MADE };

// Makes one movie of the raw frame files, in their order, at rate: all or
// nothing, as a picture is written (a temporary name renamed into place,
// replacing an existing file). inputs_failed says an input already could
// not be found. Every input that cannot be read, and a failed write, is
// named on err, and then nothing is left. Unless quiet, the movie's name
// goes to out at the end.
MovieMade MakeMovie(const std::vector<std::string> &inputs, int inputs_failed, const char *output,
                    FrameRate rate, int quiet, FILE *out, FILE *err);

// Makes each movie complete again for every reader (kavrocap's recordings
// cut off by a crash or a full disk), or leaves it as it was when it already
// is, or is no movie of ours. One line for each: what was found and done on
// out (unless quiet), a refusal or the system's reason on err. 0 when every
// movie is complete afterwards.
ExitStatus RepairMovies(const std::vector<std::string> &movies, int quiet, FILE *out, FILE *err);

// Pictures of many frames (convert_stack.cpp).

// args[*i] as --average, --stack, --dark or --hot-pixels (moving *i past
// a value it takes): 0 read, 1 wrong (problem set), -1 none of them.
int ReadStackOption(const std::vector<std::string> &args, size_t *i, Options *options,
                    std::string *problem);
// What is wrong with those options once the inputs are known; "" nothing.
std::string StackOptionsProblem(const Options &options, size_t inputs);
// Whether name is a 16-bit stack's (.raw16, any letter case).
bool IsRaw16Name(const char *name);
// Makes one picture of the inputs (raw frames or .raw16 stacks): all or
// nothing, as a picture is written. Lists it on out unless quiet.
ConvertResult ConvertStacked(const std::vector<std::string> &inputs, const char *output,
                             const Options &options, FILE *out, FILE *err);

#endif
