#include <string.h>

#include "kavroconv.h"
#include "no_case.h"

// Frames saved on Windows may come back as KAVRO001.BIN from other tools, so
// the extension matches in any case.
std::string DefaultOutputName(const char *input, OutputFormat format)
{
    size_t length = strlen(input);
    if (EndsWithNoCase(input, ".bin"))
        length -= 4;
    else if (EndsWithNoCase(input, ".raw16"))
        length -= 6;
    return std::string(input, length) + FormatExtension(format);
}
