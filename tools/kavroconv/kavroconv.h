// kavroconv: turns raw frame files (UYVY, no header) into BMP or PNG
// pictures that any viewer opens, with the same colours the window paints.
// Everything the tool does lives here as a library, so that tests run it
// in-process; main only hands over the command line and the console streams.
#ifndef PUKAVRO_KAVROCONV_H
#define PUKAVRO_KAVROCONV_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "frame.h"

enum {
    BMP_HEADERS_BYTES = 14 + 40,  // file header, then the bitmap info header
    BMP_FILE_BYTES = BMP_HEADERS_BYTES + DISPLAY_IMAGE_BYTES,  // 20790
};

// Exit statuses, as the usage text tells them.
enum {
    EXIT_CONVERTED = 0,    // every file converted (or the help shown)
    EXIT_SOME_FAILED = 1,  // at least one file could not be converted
    EXIT_USAGE = 2,        // the command line itself was wrong
};

enum ImageFormat { FORMAT_BMP, FORMAT_PNG };

struct Options {
    ImageFormat format;
    const char *output;  // -o, or NULL for the name beside each input
    int help;
    std::vector<const char *> inputs;
};

// Runs the tool: argv as main receives it. Converted files are listed on
// out, every problem goes to err as one line. Returns the exit status.
int RunKavroconv(int argc, char **argv, FILE *out, FILE *err);

// Reads the command line into options. Returns 0, or -1 after printing the
// problem and the usage line to err.
int ParseOptions(int argc, char **argv, Options *options, FILE *err);

void PrintHelp(FILE *out);

// "dir/kavro001.bin" -> "dir/kavro001.bmp" (or .png); a name without a
// ".bin" extension keeps it whole and gets the extension appended.
std::string DefaultOutputName(const char *input, ImageFormat format);

// Reads the file at path, which must hold exactly one raw frame. Returns 0,
// or -1 after printing why not to err.
int ReadFrameFile(const char *path, uint8_t *frame, FILE *err);

// 1 when both names lead to one and the same existing file (another path,
// a link), 0 otherwise, including when either does not exist.
int IsSameFile(const char *first, const char *second);

// Write the picture held in bottom-up BGR display bits to an open stream.
// Return 0, or -1 with errno telling why the stream refused the bytes.
int WriteBmp(FILE *file, const uint8_t *bits);
int WritePng(FILE *file, const uint8_t *bits);

// Converts one raw frame file into a picture file and lists it on out.
// Returns 0, or -1 after printing one line naming the file and the reason.
int ConvertFile(const char *input, const char *output, ImageFormat format, FILE *out, FILE *err);

#endif
