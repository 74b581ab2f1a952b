#include <string.h>

#include "kavroconv.h"
#include "report.h"

namespace {

const char USAGE[] = "usage: kavroconv [--format bmp|png] [-o OUTPUT] [-q] FILE.bin...\n";

ParseResult UsageError(FILE *err, const std::string &problem)
{
    Report(err, KAVROCONV_NAME, problem);
    fputs(USAGE, err);
    return OPTIONS_WRONG;
}

// Pictures only: a raw frame is what this tool reads.
ParseResult SetFormat(const char *name, OutputFormat *format, FILE *err)
{
    if (!FormatFromWord(name, format) || *format == FORMAT_RAW)
        return UsageError(err, std::string("unknown format (bmp or png): ") + name);
    return OPTIONS_READ;
}

// Without --format the -o name's extension decides, by the rule every tool
// follows; an extension that says the other format than --format is a
// mistake, not a choice, and raw is what this tool reads, not writes.
ParseResult SettleFormat(int format_given, OutputFormat format, Options *options, FILE *err)
{
    OutputFormat named = FORMAT_BMP;
    bool has_extension = options->output != NULL && FormatFromExtension(options->output, &named);
    if (options->output != NULL && !format_given && !has_extension)
        return UsageError(err, UnknownExtensionProblem(options->output, false));
    if (has_extension && named == FORMAT_RAW)
        return UsageError(err, std::string("the output name ") + options->output
                                   + " says raw; kavroconv writes pictures (bmp or png)");
    if (format_given && has_extension && named != format)
        return UsageError(err, FormatConflictProblem("--format", format, options->output, named));
    options->format = format_given ? format : has_extension ? named : FORMAT_BMP;
    return OPTIONS_READ;
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
          "  -f, --format bmp|png\n"
          "                    picture format, in any letter case; bmp is a 24-bit\n"
          "                    bitmap of 20790 bytes, png an RGB picture. Without\n"
          "                    it, OUTPUT's extension says the format (.bmp or\n"
          "                    .png; another one needs --format), and otherwise\n"
          "                    it is bmp\n"
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
          "An existing picture of the same name is replaced: converting again is\n"
          "done on purpose. A picture is written whole under a temporary name and\n"
          "then renamed, so it appears complete or not at all, and a failed write\n"
          "leaves an existing picture as it was. Replacing one makes a new file:\n"
          "it keeps neither the old file's permissions nor its hard links, and a\n"
          "symbolic link is replaced, not written through. A frame file is never\n"
          "changed.\n"
          "A file that cannot be converted is reported and the others go on.\n"
          "\n"
          "Exit status: 0 when every file was converted, 1 when any failed,\n"
          "2 for a wrong command line.\n",
          out);
}

// Options and files may come in any order; "--" ends the options, so a file
// whose name starts with '-' can still be named.
ParseResult ParseOptions(const std::vector<std::string> &args, Options *options, FILE *err)
{
    options->format = FORMAT_BMP;
    options->output = NULL;
    options->help = 0;
    options->version = 0;
    options->quiet = 0;
    options->inputs.clear();
    OutputFormat format = FORMAT_BMP;
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
            return OPTIONS_READ;
        } else if (strcmp(arg, "--version") == 0) {
            options->version = 1;
            return OPTIONS_READ;
        } else if (strcmp(arg, "-q") == 0 || strcmp(arg, "--quiet") == 0) {
            options->quiet = 1;
        } else if (strcmp(arg, "-f") == 0 || strcmp(arg, "--format") == 0
                   || strncmp(arg, "--format=", 9) == 0) {
            const char *value = arg[8] == '=' ? arg + 9 : ++i < count ? args[i].c_str() : NULL;
            if (value == NULL)
                return UsageError(err, std::string(arg) + " needs a value: bmp or png");
            if (SetFormat(value, &format, err) != OPTIONS_READ)
                return OPTIONS_WRONG;
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
