#include <string.h>

#include "console.h"
#include "kavroconv.h"
#include "no_case.h"
#include "output_file.h"
#include "report.h"
#include "stack_picture.h"

namespace {

// "--stack median" and "--stack=median": the value, or NULL when missing.
const char *OptionValue(const std::vector<std::string> &args, size_t *i, const char *option)
{
    const char *arg = args[*i].c_str();
    size_t length = strlen(option);
    if (arg[length] == '=')
        return arg + length + 1;
    return ++*i < args.size() ? args[*i].c_str() : NULL;
}

bool Names(const char *arg, const char *option)
{
    size_t length = strlen(option);
    return strncmp(arg, option, length) == 0 && (arg[length] == '\0' || arg[length] == '=');
}

}  // namespace

bool IsRaw16Name(const char *name)
{
    return EndsWithNoCase(name, ".raw16");
}

int ReadStackOption(const std::vector<std::string> &args, size_t *i, Options *options,
                    std::string *problem)
{
    const char *arg = args[*i].c_str();
    if (strcmp(arg, "--average") == 0) {
        options->average = 1;
        return 0;
    }
    const char *const VALUED[] = {"--stack", "--dark", "--hot-pixels"};
    for (const char *option : VALUED) {
        if (!Names(arg, option))
            continue;
        const char *value = OptionValue(args, i, option);
        if (value == NULL || *value == '\0') {
            *problem = std::string(option) + " needs a value";
            return 1;
        }
        if (option == VALUED[0])
            return SetStackMethod(option, value, &options->stack, problem) ? 0 : 1;
        if (option == VALUED[1])
            options->stack.dark = value;
        else
            SetHotPixels(value, &options->stack);
        return 0;
    }
    return -1;
}

std::string StackOptionsProblem(const Options &options, size_t inputs)
{
    if (!options.average && !options.stack.method_given
        && !StacksFrames(options.stack, options.format))
        return "";
    if (options.repair)
        return "--repair mends movies: no --average, --stack, --dark or --hot-pixels";
    if (options.format == FORMAT_AVI)
        return "--average, --dark and --hot-pixels make pictures, not a movie";
    if (!options.average)
        return StackSettingsProblem(options.stack, 1);
    if (options.output == NULL)
        return "--average makes one picture of every FILE: give its name, -o NAME";
    if (inputs > STACK_MOST_FRAMES)
        return "--average takes at most " + std::to_string(STACK_MOST_FRAMES) + " files, not "
               + std::to_string(inputs);
    StackSettings settings = options.stack;
    settings.average = (int64_t)inputs;
    return StackSettingsProblem(settings, settings.average);
}

// Every input is read before anything is written, and each one that cannot
// be is named; then nothing is written.
ConvertResult ConvertStacked(const std::vector<std::string> &inputs, const char *output,
                             const Options &options, FILE *out, FILE *err)
{
    StackCorrections corrections;
    std::string problem;
    if (ReadStackCorrections(options.stack, &corrections, &problem) != CORRECTIONS_READ) {
        Report(err, KAVROCONV_NAME, problem);
        return FILE_NOT_CONVERTED;
    }
    FrameStack stack;
    if (StartStack(&stack, options.stack.method) != STACK_STARTED) {
        Report(err, KAVROCONV_NAME, std::string(output) + ": cannot write: Not enough memory");
        return FILE_NOT_CONVERTED;
    }
    bool all_read = true;
    for (const std::string &input : inputs) {
        uint16_t samples[RAW_FRAME_BYTES];
        bool was_raw16 = false;
        if (IsSameFile(input.c_str(), output)) {
            Report(err, KAVROCONV_NAME,
                   input + ": output " + output + " is this input itself, not overwritten");
            all_read = false;
        } else if (ReadStackInput(input, samples, &was_raw16, &problem)) {
            AddRaw16ToStack(&stack, samples);
        } else {
            Report(err, KAVROCONV_NAME, problem);
            all_read = false;
        }
    }
    std::vector<double> averages(RAW_FRAME_BYTES);
    FinishStack(&stack, &corrections, averages.data());
    FreeStack(&stack);
    if (!all_read)
        return FILE_NOT_CONVERTED;
    std::vector<uint8_t> picture;
    std::string reason = "Not enough memory";
    StillSettings still = PlainStill();
    still.quality = options.quality;
    if (EncodeStackPicture(averages.data(), options.format, still, &picture) != PICTURE_ENCODED
        || WriteWholeFile(output, picture.data(), picture.size(), 1, &reason) != OUTPUT_WRITTEN) {
        Report(err, KAVROCONV_NAME, std::string(output) + ": cannot write: " + reason);
        return FILE_NOT_CONVERTED;
    }
    if (!options.quiet)
        PrintLine(out, (inputs.size() == 1 ? inputs[0] : std::to_string(inputs.size()) + " files")
                           + " -> " + output);
    return FILE_CONVERTED;
}
