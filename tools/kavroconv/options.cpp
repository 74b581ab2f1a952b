#include <string.h>

#include "kavroconv.h"

namespace {

const char USAGE[] = "usage: kavroconv [--format bmp|png] [-o OUTPUT] FILE.bin...\n";

int UsageError(FILE *err, const char *problem, const char *detail)
{
    fprintf(err, "kavroconv: %s%s\n", problem, detail);
    fputs(USAGE, err);
    return -1;
}

int SetFormat(const char *name, Options *options, FILE *err)
{
    if (strcmp(name, "bmp") == 0)
        options->format = FORMAT_BMP;
    else if (strcmp(name, "png") == 0)
        options->format = FORMAT_PNG;
    else
        return UsageError(err, "unknown format (bmp or png): ", name);
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
          "  --format bmp|png  picture format; bmp (the default) is a 24-bit\n"
          "                    bitmap of 20790 bytes, png an RGB picture\n"
          "  -o OUTPUT         name of the picture; only with a single FILE\n"
          "  -h, --help        show this text\n"
          "  --                every argument after it is a FILE\n"
          "\n"
          "Without -o, dir/kavro001.bin becomes dir/kavro001.bmp (or .png) beside\n"
          "it; a name without the .bin extension gets .bmp or .png appended.\n"
          "An existing picture file is replaced; a frame file is never changed.\n"
          "A file that cannot be converted is reported and the others go on.\n"
          "\n"
          "Exit status: 0 when every file was converted, 1 when any failed,\n"
          "2 for a wrong command line.\n",
          out);
}

// Options and files may come in any order; "--" ends the options, so a file
// whose name starts with '-' can still be named.
int ParseOptions(int argc, char **argv, Options *options, FILE *err)
{
    options->format = FORMAT_BMP;
    options->output = NULL;
    options->help = 0;
    options->inputs.clear();
    int only_files = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (only_files || arg[0] != '-' || arg[1] == '\0') {
            options->inputs.push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            only_files = 1;
        } else if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
            options->help = 1;
            return 0;
        } else if (strcmp(arg, "--format") == 0) {
            if (++i == argc)
                return UsageError(err, "--format needs a value: ", "bmp or png");
            if (SetFormat(argv[i], options, err) != 0)
                return -1;
        } else if (strncmp(arg, "--format=", 9) == 0) {
            if (SetFormat(arg + 9, options, err) != 0)
                return -1;
        } else if (strcmp(arg, "-o") == 0) {
            if (++i == argc)
                return UsageError(err, "-o needs a file name", "");
            if (options->output != NULL)
                return UsageError(err, "-o given twice", "");
            options->output = argv[i];
        } else {
            return UsageError(err, "unknown option ", arg);
        }
    }
    if (options->inputs.empty())
        return UsageError(err, "no frame file given", "");
    if (options->output != NULL && options->inputs.size() != 1)
        return UsageError(err, "-o needs exactly one frame file", "");
    return 0;
}
