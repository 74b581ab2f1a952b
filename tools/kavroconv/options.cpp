#include <ctype.h>
#include <string.h>

#include "kavroconv.h"

namespace {

const char USAGE[] = "usage: kavroconv [--format bmp|png] [-o OUTPUT] [-q] FILE.bin...\n";

int UsageError(FILE *err, const std::string &problem)
{
    PrintLine(err, "kavroconv: " + problem);
    fputs(USAGE, err);
    return -1;
}

int SameLetters(const char *text, const char *lower)
{
    for (; *text != '\0' && *lower != '\0'; ++text, ++lower) {
        if (tolower((unsigned char)*text) != *lower)
            return 0;
    }
    return *text == *lower;
}

int SetFormat(const char *name, PictureFormat *format, FILE *err)
{
    static const PictureFormat FORMATS[] = {PICTURE_BMP, PICTURE_PNG};
    for (PictureFormat candidate : FORMATS) {
        if (SameLetters(name, PictureExtension(candidate))) {
            *format = candidate;
            return 0;
        }
    }
    return UsageError(err, std::string("unknown format (bmp or png): ") + name);
}

// Without --format the -o name's extension decides; an extension that says
// the other format than --format is a mistake, not a choice.
int SettleFormat(int format_given, PictureFormat format, Options *options, FILE *err)
{
    PictureFormat named;
    int has_extension = options->output != NULL && PictureFormatFromName(options->output, &named);
    if (format_given && has_extension && named != format)
        return UsageError(err, std::string("--format ") + PictureExtension(format)
                                   + " but the output name " + options->output + " says "
                                   + PictureExtension(named));
    options->format = format_given ? format : has_extension ? named : PICTURE_BMP;
    return 0;
}

}  // namespace

void PrintHelp(FILE *out)
{
    fputs(USAGE, out);
    fputs("\n"
          "Converts frames saved by pukavro (kavro001.bin, ...) into pictures.\n"
          "\n"
          "A frame file holds one 96x72 picture exactly as the camera sends it:\n"
          "UYVY (packed 4:2:2), 13824 bytes, top row first, no header.\n"
          "Each pair of pixels takes 4 bytes, U Y0 V Y1. The colours come out\n"
          "exactly as the pukavro window paints them.\n"
          "\n"
          "Options:\n"
          "  --format bmp|png  picture format, in any letter case; bmp is a 24-bit\n"
          "                    bitmap of 20790 bytes, png an RGB picture. Without\n"
          "                    it, an OUTPUT ending in .png or .bmp says the format,\n"
          "                    and otherwise it is bmp\n"
          "  -o OUTPUT         name of the picture; only with a single FILE\n"
          "  -q, --quiet       no line for each converted file\n"
          "  -h, --help        show this text\n"
          "  --version         show the version\n"
          "  --                every argument after it is a FILE\n"
          "\n"
          "Without -o, dir/kavro001.bin becomes dir/kavro001.bmp (or .png) beside\n"
          "it; a name without the .bin extension gets .bmp or .png appended.\n"
          "On Windows, FILE may hold the wildcards * and ? (\"frames\\*.bin\").\n"
          "\n"
          "A picture is written whole under a temporary name and then renamed, so\n"
          "it appears complete or not at all, and a failed write leaves an\n"
          "existing picture as it was. Replacing one makes a new file: it keeps\n"
          "neither the old file's permissions nor its hard links, and a symbolic\n"
          "link is replaced, not written through. A frame file is never changed.\n"
          "A file that cannot be converted is reported and the others go on.\n"
          "\n"
          "Exit status: 0 when every file was converted, 1 when any failed,\n"
          "2 for a wrong command line.\n",
          out);
}

// Options and files may come in any order; "--" ends the options, so a file
// whose name starts with '-' can still be named.
int ParseOptions(const std::vector<std::string> &args, Options *options, FILE *err)
{
    options->format = PICTURE_BMP;
    options->output = NULL;
    options->help = 0;
    options->version = 0;
    options->quiet = 0;
    options->inputs.clear();
    PictureFormat format = PICTURE_BMP;
    int format_given = 0;
    int only_files = 0;
    const size_t count = args.size();
    for (size_t i = 1; i < count; ++i) {
        const char *arg = args[i].c_str();
        if (only_files || arg[0] != '-' || arg[1] == '\0') {
            options->inputs.push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            only_files = 1;
        } else if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
            options->help = 1;
            return 0;
        } else if (strcmp(arg, "--version") == 0) {
            options->version = 1;
            return 0;
        } else if (strcmp(arg, "-q") == 0 || strcmp(arg, "--quiet") == 0) {
            options->quiet = 1;
        } else if (strcmp(arg, "--format") == 0 || strncmp(arg, "--format=", 9) == 0) {
            const char *value = arg[8] == '=' ? arg + 9 : ++i < count ? args[i].c_str() : NULL;
            if (value == NULL)
                return UsageError(err, "--format needs a value: bmp or png");
            if (SetFormat(value, &format, err) != 0)
                return -1;
            format_given = 1;
        } else if (strcmp(arg, "-o") == 0) {
            if (++i == count)
                return UsageError(err, "-o needs a file name");
            if (options->output != NULL)
                return UsageError(err, "-o given twice");
            options->output = args[i].c_str();
        } else {
            return UsageError(err, std::string("unknown option ") + arg);
        }
    }
    if (options->inputs.empty())
        return UsageError(err, "no frame file given");
    if (options->output != NULL && options->inputs.size() != 1)
        return UsageError(err, "-o needs exactly one frame file");
    return SettleFormat(format_given, format, options, err);
}
