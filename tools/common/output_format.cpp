#include "output_format.h"

#include <string.h>

#include "no_case.h"

namespace {

const struct {
    OutputFormat format;
    const char *word;
    const char *extensions[2];  // the first is the one names are given
} FORMATS[] = {
    {FORMAT_RAW, "raw", {".bin", ".raw"}},
    {FORMAT_BMP, "bmp", {".bmp", NULL}},
    {FORMAT_PNG, "png", {".png", NULL}},
    {FORMAT_AVI, "avi", {".avi", NULL}},
    // After png, so that .png names plain png unless --format says png16.
    {FORMAT_PNG16, "png16", {".png", NULL}},
    {FORMAT_RAW16, "raw16", {".raw16", NULL}},
    {FORMAT_JPEG, "jpeg", {".jpg", ".jpeg"}},
};

}  // namespace

const char *FormatWord(OutputFormat format)
{
    for (const auto &entry : FORMATS) {
        if (entry.format == format)
            return entry.word;
    }
    return "";
}

bool FormatFromWord(const char *word, OutputFormat *format)
{
    for (const auto &entry : FORMATS) {
        if (EqualNoCase(word, entry.word)) {
            *format = entry.format;
            return true;
        }
    }
    return false;
}

const char *FormatExtension(OutputFormat format)
{
    for (const auto &entry : FORMATS) {
        if (entry.format == format)
            return entry.extensions[0];
    }
    return "";
}

bool FormatFromExtension(const char *name, OutputFormat *format)
{
    for (const auto &entry : FORMATS) {
        for (const char *extension : entry.extensions) {
            if (extension != NULL && EndsWithNoCase(name, extension)) {
                *format = entry.format;
                return true;
            }
        }
    }
    return false;
}

bool FormatsAgree(OutputFormat given, OutputFormat named)
{
    return given == named || (given == FORMAT_PNG16 && named == FORMAT_PNG);
}

std::string FormatWords(bool raw_too)
{
    std::string words;
    const char *last = "";  // held back: " or " comes before the last word
    for (const auto &entry : FORMATS) {
        if (entry.format == FORMAT_RAW && !raw_too)
            continue;
        if (*last != '\0')
            words += (words.empty() ? "" : ", ") + std::string(last);
        last = entry.word;
    }
    return words.empty() ? last : words + " or " + last;
}

std::string UnknownFormatProblem(const std::string &option, const std::string &word, bool raw_too)
{
    return option + " takes " + FormatWords(raw_too) + ", not '" + word + "'";
}

std::string UnknownExtensionProblem(const std::string &name, bool raw_too)
{
    return "cannot tell the format from the name " + name + ": end it in "
           + (raw_too ? ".bin or .raw (raw), .bmp, .png, .avi, .jpg or .jpeg"
                      : ".bmp, .png, .avi, .jpg or .jpeg")
           + ", or give --format";
}

std::string FormatConflictProblem(const std::string &option, OutputFormat given,
                                  const std::string &name, OutputFormat named)
{
    return option + " " + FormatWord(given) + " but the output name " + name + " says "
           + FormatWord(named);
}
