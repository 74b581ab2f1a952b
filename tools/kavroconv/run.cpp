#include "console.h"
#include "kavroconv.h"
#include "pukavro_version.h"
#include "report.h"
#include "wildcards.h"

// A pattern matching nothing is reported like a missing file: the other
// inputs are still converted (and a movie is not made). A picture's -o takes
// one frame however it was named.
ExitStatus RunKavroconv(const std::vector<std::string> &args, FILE *out, FILE *err)
{
    Options options;
    if (ParseOptions(args, &options, err) != OPTIONS_READ)
        return EXIT_USAGE;
    if (options.help) {
        PrintHelp(out);
        return EXIT_ALL_DONE;
    }
    if (options.version) {
        PrintLine(out, std::string(KAVROCONV_NAME " ") + PUKAVRO_VERSION_TEXT);
        return EXIT_ALL_DONE;
    }
    ExitStatus status = EXIT_ALL_DONE;
    std::vector<std::string> inputs;
    for (const char *argument : options.inputs) {
        std::string problem;
        if (ExpandWildcards(argument, &inputs, &problem) != 0) {
            Report(err, KAVROCONV_NAME, problem);
            status = EXIT_SOME_FAILED;
        }
    }
    std::string stack_problem = StackOptionsProblem(options, inputs.size());
    if (!stack_problem.empty()) {
        Report(err, KAVROCONV_NAME, stack_problem);
        return EXIT_USAGE;
    }
    if (options.average) {
        if (status == EXIT_ALL_DONE
            && ConvertStacked(inputs, options.output, options, out, err) != FILE_CONVERTED)
            status = EXIT_SOME_FAILED;
    } else if (options.repair) {
        ExitStatus repaired = RepairMovies(inputs, options.quiet, out, err);
        status = repaired != EXIT_ALL_DONE ? repaired : status;
    } else if (options.format == FORMAT_AVI) {
        if (MakeMovie(inputs, status != EXIT_ALL_DONE, options.output, options.fps, options.quiet,
                      out, err)
            != MOVIE_MADE)
            status = EXIT_SOME_FAILED;
    } else if (options.output != NULL && inputs.size() > 1) {
        Report(err, KAVROCONV_NAME,
               "-o needs exactly one frame file; " + std::string(options.inputs[0]) + " matches "
                   + std::to_string(inputs.size()));
        return EXIT_USAGE;
    } else {
        for (const std::string &input : inputs) {
            std::string output = options.output != NULL
                                     ? std::string(options.output)
                                     : DefaultOutputName(input.c_str(), options.format);
            bool stacked =
                StacksFrames(options.stack, options.format) || IsRaw16Name(input.c_str());
            if ((stacked ? ConvertStacked({input}, output.c_str(), options, out, err)
                         : ConvertFile(input.c_str(), output.c_str(), options.format,
                                       options.quality, options.quiet, out, err))
                != FILE_CONVERTED)
                status = EXIT_SOME_FAILED;
        }
    }
    fflush(out);
    fflush(err);
    return status;
}
