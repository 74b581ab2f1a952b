#include "no_case.h"

#include <string.h>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameNoCase(const char *a, const char *b, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (a[i] == '\0' || b[i] == '\0' || Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

bool EqualNoCase(const char *a, const char *b)
{
    size_t length = strlen(a);
    return length == strlen(b) && SameNoCase(a, b, length);
}

bool EndsWithNoCase(const char *text, const char *suffix)
{
    size_t length = strlen(text), n = strlen(suffix);
    return length >= n && SameNoCase(text + length - n, suffix, n);
}
