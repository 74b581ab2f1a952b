// kavroconv: turns raw frame files (UYVY, no header) into BMP or PNG
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

#include "frame.h"
#include "picture.h"

// Exit statuses, as the usage text tells them.
enum {
    EXIT_CONVERTED = 0,    // every file converted (or the help or version shown)
    EXIT_SOME_FAILED = 1,  // at least one file could not be converted
    EXIT_USAGE = 2,        // the command line itself was wrong
};

struct Options {
    PictureFormat format;  // what --format or the -o name says, else BMP
    const char *output;    // -o, or NULL for the name beside each input
    int help;
    int version;
    int quiet;                         // no line per converted file
    std::vector<const char *> inputs;  // as given: wildcards not yet expanded
};

// Runs the tool: args as GetUtf8Arguments gives them, the program's name
// first. Converted files are listed on out, every problem goes to err as one
// line. Returns the exit status.
int RunKavroconv(const std::vector<std::string> &args, FILE *out, FILE *err);

// Reads the command line into options (which point into args). Returns 0,
// or -1 after printing the problem and the usage line to err.
int ParseOptions(const std::vector<std::string> &args, Options *options, FILE *err);

void PrintHelp(FILE *out);

// One line of text, names in it as UTF-8.
void PrintLine(FILE *stream, const std::string &line);

// "dir/kavro001.bin" -> "dir/kavro001.bmp" (or .png); a name without a
// ".bin" extension keeps it whole and gets the extension appended.
std::string DefaultOutputName(const char *input, PictureFormat format);

// Reads the file at path, which must be a regular file holding exactly one
// raw frame. Never waits on a pipe or a device. Returns 0, or -1 after
// printing why not to err.
int ReadFrameFile(const char *path, uint8_t *frame, FILE *err);

// 1 when both names lead to one and the same existing file (another path,
// a link), 0 otherwise, including when either does not exist.
int IsSameFile(const char *first, const char *second);

// Converts one raw frame file into a picture file and, unless quiet, lists
// it on out. Returns 0, or -1 after printing one line naming the file and
// the reason.
int ConvertFile(const char *input, const char *output, PictureFormat format, int quiet, FILE *out,
                FILE *err);

#endif
