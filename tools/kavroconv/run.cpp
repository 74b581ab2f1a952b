#include "kavroconv.h"
#include "pukavro_version.h"
#include "text.h"
#include "wildcards.h"

void PrintLine(FILE *stream, const std::string &line)
{
    PrintUtf8(stream, (line + "\n").c_str());
}

// A pattern matching nothing is reported like a missing file: the other
// inputs are still converted. -o takes one frame however it was named.
int RunKavroconv(const std::vector<std::string> &args, FILE *out, FILE *err)
{
    Options options;
    if (ParseOptions(args, &options, err) != 0)
        return EXIT_USAGE;
    if (options.help) {
        PrintHelp(out);
        return EXIT_CONVERTED;
    }
    if (options.version) {
        PrintLine(out, std::string("kavroconv ") + PUKAVRO_VERSION_TEXT);
        return EXIT_CONVERTED;
    }
    int status = EXIT_CONVERTED;
    std::vector<std::string> inputs;
    for (const char *argument : options.inputs) {
        std::string problem;
        if (ExpandWildcards(argument, &inputs, &problem) != 0) {
            PrintLine(err, "kavroconv: " + problem);
            status = EXIT_SOME_FAILED;
        }
    }
    if (options.output != NULL && inputs.size() > 1) {
        PrintLine(err, "kavroconv: -o needs exactly one frame file; "
                           + std::string(options.inputs[0]) + " matches "
                           + std::to_string(inputs.size()));
        return EXIT_USAGE;
    }
    for (const std::string &input : inputs) {
        std::string output = options.output != NULL
                                 ? std::string(options.output)
                                 : DefaultOutputName(input.c_str(), options.format);
        if (ConvertFile(input.c_str(), output.c_str(), options.format, options.quiet, out, err)
            != 0)
            status = EXIT_SOME_FAILED;
    }
    fflush(out);
    fflush(err);
    return status;
}
