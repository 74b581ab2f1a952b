// The kinds of file our tools write, and the words and extensions that name
// them, the same in every tool: a name's extension says its format, and a
// name whose extension says none needs --format.
#ifndef PUKAVRO_OUTPUT_FORMAT_H
#define PUKAVRO_OUTPUT_FORMAT_H

#include <string>

enum OutputFormat {
    FORMAT_RAW,  // the frame's bytes as the camera sent them
    FORMAT_BMP,  // 24-bit bitmap of the painted picture
    FORMAT_PNG,  // RGB PNG of the painted picture
    FORMAT_AVI,  // one movie of every frame, as the window paints them
    // A 16-bit RGB PNG of a stacked picture; its names end in .png.
    FORMAT_PNG16,
    // A stack's samples, 16 bits each (stack.h); its names end in .raw16.
    FORMAT_RAW16,
    FORMAT_JPEG,  // baseline JPEG of the painted picture, with EXIF
};

// "raw", "bmp", "png", "avi", "jpeg": what --format takes.
const char *FormatWord(OutputFormat format);

// The format a --format word names, in any letter case. false for none.
bool FormatFromWord(const char *word, OutputFormat *format);

// ".bin", ".bmp", ".png", ".avi", ".jpg": the extension a name of that format is given.
const char *FormatExtension(OutputFormat format);

// The format a file name's extension says, in any letter case (pictures
// come back from other tools as FRAME.BMP): .bin and .raw raw, .bmp, .png,
// .avi, .jpg and .jpeg.
// false for any other name.
bool FormatFromExtension(const char *name, OutputFormat *format);

// Whether a name's extension that says named fits a --format of given:
// the same format, or png16 for a .png name.
bool FormatsAgree(OutputFormat given, OutputFormat named);

// "raw, bmp, png, avi, png16, raw16 or jpeg": the --format words, raw only when raw_too (a
// tool that reads raw frames writes none).
std::string FormatWords(bool raw_too);

// The usage problem of a --format (given as option) that names no format
// the tool writes: "-f takes raw, bmp, png, avi or jpeg, not 'gif'".
std::string UnknownFormatProblem(const std::string &option, const std::string &word, bool raw_too);

// The usage problem of a name whose extension says no format, listing the
// extensions the tool takes (raw ones only when raw_too).
std::string UnknownExtensionProblem(const std::string &name, bool raw_too);

// The usage problem of a --format (given as option) that another format's
// extension contradicts.
std::string FormatConflictProblem(const std::string &option, OutputFormat given,
                                  const std::string &name, OutputFormat named);

#endif
