// Finding a command-line option in a tool's table of them, the same way in
// every tool: "--count 5", "--count=5", "-n 5", "-n5"; and reading a
// whole number given to one. Platform-free.
#ifndef PUKAVRO_FIND_OPTION_H
#define PUKAVRO_FIND_OPTION_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// Option is the tool's own entry, with short_name ("-n", or NULL for the
// long form only), long_name ("--count") and takes_value. *value points at
// an attached value or is NULL. NULL when arg names none of them.
template <typename Option, size_t N>
const Option *FindOption(const Option (&options)[N], const char *arg, const char **value)
{
    *value = NULL;
    for (const Option &option : options) {
        size_t n = strlen(option.long_name);
        if (strncmp(arg, option.long_name, n) == 0) {
            if (arg[n] == '\0')
                return &option;
            if (arg[n] == '=' && option.takes_value) {
                *value = arg + n + 1;
                return &option;
            }
        }
        if (option.short_name != NULL && strncmp(arg, option.short_name, 2) == 0) {
            if (arg[2] == '\0')
                return &option;
            if (option.takes_value) {
                *value = arg + 2;
                return &option;
            }
        }
    }
    return NULL;
}

// A whole decimal number of digits alone, at most limit: no sign, no
// spaces, nothing after it.
inline bool ParseWhole(const char *text, int64_t limit, int64_t *value)
{
    if (*text == '\0')
        return false;
    int64_t result = 0;
    for (const char *c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        result = result * 10 + (*c - '0');
        if (result > limit)
            return false;
    }
    *value = result;
    return true;
}

#endif
