#include "output_format.h"

#include <string.h>

#include "no_case.h"

namespace {

const struct {
    OutputFormat format;
    const char *word;
    const char *extension;  // NULL: none of its own
} FORMATS[] = {
    {FORMAT_RAW, "raw", NULL},
    {FORMAT_BMP, "bmp", ".bmp"},
    {FORMAT_PNG, "png", ".png"},
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

bool FormatFromExtension(const char *name, OutputFormat *format)
{
    for (const auto &entry : FORMATS) {
        if (entry.extension != NULL && EndsWithNoCase(name, entry.extension)) {
            *format = entry.format;
            return true;
        }
    }
    return false;
}
