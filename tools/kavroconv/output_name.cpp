#include <ctype.h>
#include <string.h>

#include "kavroconv.h"

// Frames saved on Windows may come back as KAVRO001.BIN from other tools, so
// the extension matches in any case.
std::string DefaultOutputName(const char *input, PictureFormat format)
{
    size_t length = strlen(input);
    if (length >= 4 && input[length - 4] == '.' && tolower((unsigned char)input[length - 3]) == 'b'
        && tolower((unsigned char)input[length - 2]) == 'i'
        && tolower((unsigned char)input[length - 1]) == 'n')
        length -= 4;
    return std::string(input, length) + "." + PictureExtension(format);
}
