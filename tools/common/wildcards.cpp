#include "wildcards.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

unsigned char Lower(char c)
{
    return (unsigned char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// The number of digits from text on, leading zeros skipped into *start.
size_t DigitRun(const char *text, const char **start)
{
    while (*text == '0' && IsDigit(text[1]))
        ++text;
    *start = text;
    size_t length = 0;
    while (IsDigit(text[length]))
        ++length;
    return length;
}

// <0, 0 or >0 as a comes before, with or after b, digit runs as numbers.
int CompareNatural(const char *a, const char *b)
{
    while (*a != '\0' && *b != '\0') {
        if (IsDigit(*a) && IsDigit(*b)) {
            const char *a_digits, *b_digits;
            size_t a_length = DigitRun(a, &a_digits), b_length = DigitRun(b, &b_digits);
            if (a_length != b_length)
                return a_length < b_length ? -1 : 1;
            for (size_t i = 0; i < a_length; ++i) {
                if (a_digits[i] != b_digits[i])
                    return a_digits[i] < b_digits[i] ? -1 : 1;
            }
            a = a_digits + a_length;
            b = b_digits + b_length;
            continue;
        }
        if (Lower(*a) != Lower(*b))
            return Lower(*a) < Lower(*b) ? -1 : 1;
        ++a;
        ++b;
    }
    return (*a != '\0') - (*b != '\0');
}

}  // namespace

bool NaturalNameBefore(const std::string &a, const std::string &b)
{
    int order = CompareNatural(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
}

#ifdef _WIN32
#include <string.h>
#include <windows.h>

#include <algorithm>

#include "utf8_names.h"

namespace {

// Everything up to and including the last separator: "dir\", "C:", "".
size_t FolderLength(const char *argument)
{
    size_t length = 0;
    for (size_t i = 0; argument[i] != '\0'; ++i) {
        if (argument[i] == '\\' || argument[i] == '/' || argument[i] == ':')
            length = i + 1;
    }
    return length;
}

}  // namespace

int ExpandWildcards(const char *argument, std::vector<std::string> *names, std::string *problem)
{
    size_t folder = FolderLength(argument);
    if (strpbrk(argument + folder, "*?") == NULL) {
        names->push_back(argument);
        return 0;
    }
    std::vector<std::string> found;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(WidenUtf8(argument).c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                found.push_back(NarrowToUtf8(data.cFileName));
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    if (found.empty()) {
        if (problem != NULL)
            *problem = std::string(argument) + ": no file matches this name";
        return -1;
    }
    std::sort(found.begin(), found.end(), NaturalNameBefore);
    for (const std::string &name : found)
        names->push_back(std::string(argument, folder) + name);
    return 0;
}

#else

int ExpandWildcards(const char *argument, std::vector<std::string> *names, std::string *problem)
{
    (void)problem;
    names->push_back(argument);
    return 0;
}

#endif
