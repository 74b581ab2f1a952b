#include <string.h>

#include "jpeg_picture.h"
#include "kavroconv.h"
#include "report.h"
#include "stack.h"

// A number defined once, in the help text.
#define KAVROCONV_TEXT(value) KAVROCONV_STRING(value)
#define KAVROCONV_STRING(value) #value

namespace {

const char USAGE[] = "usage: kavroconv [--format bmp|png|avi|jpeg] [-o OUTPUT] [--fps R]\n"
                     "                 [--quality Q] [-q] FILE.bin...\n"
                     "       kavroconv --repair [-q] MOVIE.avi...\n";

// clang-format off
const char HELP[] =
    "\n"
    "Converts frames saved by pukavro (kavro001.bin, ...) into pictures, or\n"
    "into one movie; makes movies cut off by a crash complete again.\n"
    "\n"
    "A frame file holds one 96x72 picture exactly as the camera sends it:\n"
    "UYVY (packed 4:2:2), 13824 bytes, top row first, no header.\n"
    "Each pair of pixels takes 4 bytes, U Y0 V Y1. The colours come out\n"
    "exactly as the pukavro window paints them.\n"
    "\n"
    "Options:\n"
    "  -f, --format bmp|png|avi|jpeg\n"
    "                    output format, in any letter case; bmp is a 24-bit\n"
    "                    bitmap of 20790 bytes, png an RGB picture, avi one\n"
    "                    movie of every FILE in the order given, jpeg a\n"
    "                    baseline JPEG with EXIF. Without it, OUTPUT's\n"
    "                    extension says the format (.bmp, .png, .avi, .jpg or\n"
    "                    .jpeg; another one needs --format), and otherwise\n"
    "                    it is bmp\n"
    "  -o OUTPUT         name of the picture (only with a single FILE), or of\n"
    "                    the movie, which always needs it\n"
    "  --fps R           a movie's frames per second, from 0.001 to 1000 with\n"
    "                    at most three decimals (29.97 is 30000/1001);\n"
    "                    default " KAVROCONV_TEXT(KAVROCONV_DEFAULT_FPS) "\n"
    "  --average         make one picture (-o OUTPUT) of every FILE, sample by\n"
    "                    sample on the camera's own Y, U and V bytes; a FILE may\n"
    "                    be a frame or a 16-bit stack (.raw16), which counts as\n"
    "                    one frame (to median and clip at its nearest 8-bit value)\n"
    "  --stack HOW       how: mean (default), median (of an even count the mean\n"
    "                    of the two middle values) or clip (" KAVROCONV_TEXT(STACK_CLIP_LEAST_FRAMES) " FILEs or more:\n"
    "                    the mean of the values within 3 standard deviations of\n"
    "                    the median)\n"
    "  --dark FILE       take off a dark: a .raw16 or raw frame made with the\n"
    "                    lens covered (its luma less its median, its chroma less\n"
    "                    128); experimental\n"
    "  --hot-pixels auto|FILE|none\n"
    "                    mend hot pixels from their 8 neighbours: auto those whose\n"
    "                    dark luma is more than " KAVROCONV_TEXT(HOT_PIXEL_LEVELS) " above their neighbours'\n"
    "                    median (needs --dark), FILE those it lists, one \"X Y\" a\n"
    "                    line (X 0-95, Y 0-71, # starts a comment); default none;\n"
    "                    experimental\n"
    "  -f png16|raw16    a 16-bit RGB PNG (a .png name), or the samples x 256 as\n"
    "                    16 bits (.raw16, 27648 bytes); a FILE.raw16 alone is\n"
    "                    converted like a frame\n"
    "  --quality Q       a JPEG's quality, 1 to 100 (default " KAVROCONV_TEXT(KAVROCONV_DEFAULT_QUALITY) ");\n"
    "                    above 90 the colours keep their full resolution\n"
    "  --repair          each FILE is a movie of kavrocap or kavroconv to make\n"
    "                    complete again (see below)\n"
    "  -q, --quiet       no line for each converted file or movie\n"
    "  -h, --help        show this text\n"
    "  --version         show the version\n"
    "  --                every argument after it is a FILE\n"
    "\n"
    "Without -o, dir/kavro001.bin becomes dir/kavro001.bmp (or .png, .jpg)\n"
    "beside it; a name without the .bin extension gets the extension appended.\n"
    "A JPEG's EXIF gives the time the frame file was last written as the time\n"
    "the picture was taken (kavrocap and kavroview write a frame as it\n"
    "arrives; a copy may carry the time it was copied).\n"
    "On Windows, FILE may hold the wildcards * and ? (\"frames\\*.bin\"),\n"
    "which take the files in number order: kavro999.bin before kavro1000.bin.\n"
    "\n"
    "An existing picture or movie of the same name is replaced: converting\n"
    "again is done on purpose. Each is written whole under a temporary name\n"
    "and then renamed, so it appears complete or not at all, and a failed\n"
    "write leaves an existing file as it was. Replacing one makes a new file:\n"
    "it keeps neither the old file's permissions nor its hard links, and a\n"
    "symbolic link is replaced, not written through. A frame file is never\n"
    "changed.\n"
    "A picture that cannot be made is reported and the others go on; a movie\n"
    "is made only when every FILE can be read, and each one that cannot is\n"
    "named.\n"
    "\n"
    "A movie that kavrocap was recording when it was killed, or when the\n"
    "disk filled up, plays up to its last complete second; --repair makes it\n"
    "complete again for every player, keeping every whole frame it holds. It\n"
    "says for each file what it found and did; a complete movie is left\n"
    "unchanged, and a file that is no movie of ours is left untouched.\n"
    "\n"
    "A dark is right only at the exposure it was taken with, and the camera may\n"
    "set its exposure by itself: nothing here can check that.\n"
    "\n"
    "Exit status: 0 when every file was converted (or every movie is complete\n"
    "after --repair), 1 when any failed, 2 for a wrong command line.\n";
// clang-format on

ParseResult UsageError(FILE *err, const std::string &problem)
{
    Report(err, KAVROCONV_NAME, problem);
    fputs(USAGE, err);
    return OPTIONS_WRONG;
}

// Pictures and movies: a raw frame is what this tool reads. option is
// the format's option as it was given.
ParseResult SetFormat(const std::string &option, const char *word, OutputFormat *format, FILE *err)
{
    if (!FormatFromWord(word, format) || *format == FORMAT_RAW)
        return UsageError(err, UnknownFormatProblem(option, word, false));
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
        return UsageError(
            err, std::string("the output name ") + options->output
                     + " says raw; kavroconv writes pictures (bmp, png or jpeg) and movies (avi)");
    if (format_given && has_extension && !FormatsAgree(format, named))
        return UsageError(err, FormatConflictProblem("--format", format, options->output, named));
    options->format = format_given ? format : has_extension ? named : FORMAT_BMP;
    return OPTIONS_READ;
}

ParseResult ParseQuality(const char *value, int *quality)
{
    if (value == NULL || *value == '\0' || strlen(value) > 3)
        return OPTIONS_WRONG;
    int number = 0;
    for (const char *c = value; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return OPTIONS_WRONG;
        number = number * 10 + (*c - '0');
    }
    if (number < JPEG_QUALITY_MIN || number > JPEG_QUALITY_MAX)
        return OPTIONS_WRONG;
    *quality = number;
    return OPTIONS_READ;
}

// A movie is one file made of every input, so it needs its name; a picture
// is made of one input each, and has no rate.
ParseResult CheckOutputs(const Options *options, FILE *err)
{
    if (options->format == FORMAT_AVI) {
        if (options->output == NULL)
            return UsageError(err, "a movie needs its name: -o NAME.avi");
        return OPTIONS_READ;
    }
    if (options->fps_given)
        return UsageError(err, "--fps goes with a movie (-o NAME.avi, or --format avi)");
    if (options->quality_given && options->format != FORMAT_JPEG)
        return UsageError(err, "--quality goes with JPEG (-o NAME.jpg, or --format jpeg)");
    if (options->output != NULL && options->inputs.size() != 1 && !options->average)
        return UsageError(err, "-o needs exactly one frame file");
    return OPTIONS_READ;
}

}  // namespace

void PrintHelp(FILE *out)
{
    fputs(USAGE, out);
    fputs(HELP, out);
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
    options->repair = 0;
    options->fps = FrameRate{KAVROCONV_DEFAULT_FPS, 1};
    options->fps_given = 0;
    options->inputs.clear();
    options->average = 0;
    ClearStackSettings(&options->stack);
    options->quality = KAVROCONV_DEFAULT_QUALITY;
    options->quality_given = 0;
    OutputFormat format = FORMAT_BMP;
    int format_given = 0;
    int only_files = 0;
    const size_t count = args.size();
    for (size_t i = 1; i < count; ++i) {
        const char *arg = args[i].c_str();
        std::string stack_problem;
        int stack_option = only_files ? -1 : ReadStackOption(args, &i, options, &stack_problem);
        if (stack_option == 0)
            continue;
        if (stack_option == 1)
            return UsageError(err, stack_problem);
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
                return UsageError(err, std::string(arg) + " needs a value: " + FormatWords(false));
            if (SetFormat(arg[1] == '-' ? "--format" : "-f", value, &format, err) != OPTIONS_READ)
                return OPTIONS_WRONG;
            format_given = 1;
        } else if (strcmp(arg, "--fps") == 0 || strncmp(arg, "--fps=", 6) == 0) {
            const char *value = arg[5] == '=' ? arg + 6 : ++i < count ? args[i].c_str() : NULL;
            if (value == NULL)
                return UsageError(err, "--fps needs a value: frames per second");
            if (ParseFrameRate(value, &options->fps) != FRAME_RATE_PARSED)
                return UsageError(err, FrameRateProblem("--fps", value));
            options->fps_given = 1;
        } else if (strcmp(arg, "--quality") == 0 || strncmp(arg, "--quality=", 10) == 0) {
            const char *value = arg[9] == '=' ? arg + 10 : ++i < count ? args[i].c_str() : NULL;
            if (ParseQuality(value, &options->quality) != OPTIONS_READ)
                return UsageError(err, std::string("--quality takes a whole number from 1 to 100")
                                           + (value ? std::string(", not '") + value + "'" : ""));
            options->quality_given = 1;
        } else if (strcmp(arg, "--repair") == 0) {
            options->repair = 1;
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
    if (options->repair) {
        if (options->output != NULL || format_given || options->fps_given)
            return UsageError(err, "--repair mends movies in place: no -o, --format or --fps");
        if (options->quality_given)
            return UsageError(err, "--quality goes with JPEG, not with --repair");
        if (options->inputs.empty())
            return UsageError(err, "no movie given");
        return OPTIONS_READ;
    }
    if (options->inputs.empty())
        return UsageError(err, "no frame file given");
    if (SettleFormat(format_given, format, options, err) != OPTIONS_READ)
        return OPTIONS_WRONG;
    return CheckOutputs(options, err);
}
