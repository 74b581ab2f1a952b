#include "command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "utf8_names.h"

namespace {

// Splits a command line as the C runtime splits it into argv, so that our
// tools see what any other program would: the program's name ends at the
// first blank (or its closing quote); then blanks separate arguments,
// quotes group, 2n backslashes before a quote give n and the quote groups,
// 2n+1 give n and a quote, "" inside quotes gives a quote, and other
// backslashes are kept. (CommandLineToArgvW would do the same, but from a
// DLL the programs do not otherwise need.)
std::vector<std::wstring> SplitCommandLine(const wchar_t *line)
{
    std::vector<std::wstring> args(1);
    const wchar_t *p = line;
    wchar_t end = *p == L'"' ? L'"' : L' ';
    if (end == L'"')
        ++p;
    for (; *p != L'\0' && *p != end && !(end == L' ' && *p == L'\t'); ++p)
        args[0] += *p;
    if (*p == L'"')
        ++p;
    for (;;) {
        while (*p == L' ' || *p == L'\t')
            ++p;
        if (*p == L'\0')
            return args;
        std::wstring arg;
        int quoted = 0;
        for (; *p != L'\0' && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
            size_t backslashes = 0;
            while (p[backslashes] == L'\\')
                ++backslashes;
            if (p[backslashes] == L'"') {
                arg.append(backslashes / 2, L'\\');
                p += backslashes;
                if (backslashes % 2 == 1)
                    arg += L'"';
                else if (quoted && p[1] == L'"')
                    arg += *++p;
                else
                    quoted = !quoted;
            } else if (backslashes > 0) {
                arg.append(backslashes, L'\\');
                p += backslashes - 1;
            } else {
                arg += *p;
            }
        }
        args.push_back(arg);
    }
}

}  // namespace

ArgumentsResult GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args)
{
    (void)argc;
    (void)argv;
    const wchar_t *line = GetCommandLineW();
    if (line == NULL)
        return ARGUMENTS_UNREADABLE;
    args->clear();
    for (const std::wstring &arg : SplitCommandLine(line))
        args->push_back(NarrowToUtf8(arg.c_str()));
    return ARGUMENTS_READ;
}

#else

ArgumentsResult GetUtf8Arguments(int argc, char **argv, std::vector<std::string> *args)
{
    args->assign(argv, argv + argc);
    return ARGUMENTS_READ;
}

#endif
