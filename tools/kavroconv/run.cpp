#include "kavroconv.h"

int RunKavroconv(int argc, char **argv, FILE *out, FILE *err)
{
    Options options;
    if (ParseOptions(argc, argv, &options, err) != 0)
        return EXIT_USAGE;
    if (options.help) {
        PrintHelp(out);
        return EXIT_CONVERTED;
    }
    int status = EXIT_CONVERTED;
    for (const char *input : options.inputs) {
        std::string output = options.output != NULL ? std::string(options.output)
                                                    : DefaultOutputName(input, options.format);
        if (ConvertFile(input, output.c_str(), options.format, out, err) != 0)
            status = EXIT_SOME_FAILED;
    }
    fflush(out);
    fflush(err);
    return status;
}
