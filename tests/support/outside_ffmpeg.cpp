#include "outside_ffmpeg.h"

#include <stdio.h>
#include <string.h>

#include "files.h"
#include "unix_command.h"

namespace {

// One argument as CommandLineToArgvW reads it back: in quotes when it has
// a space or a quote, backslashes doubled before a quote.
std::string Quoted(const std::string &argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace

FfmpegLookup FindFfmpeg(const std::string &path_file, std::string *exe, std::string *why)
{
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(path_file, &bytes) != 0) {
        *why = "no " + path_file + ": scripts/build-ffmpeg.sh did not build one";
        return FFMPEG_MISSING;
    }
    std::string unix_path(bytes.begin(), bytes.end());
    while (!unix_path.empty() && (unix_path.back() == '\n' || unix_path.back() == '\r'))
        unix_path.pop_back();
    *exe = WindowsPath(unix_path);
    if (unix_path.empty() || exe->empty() || !PathExists(*exe)) {
        *why = path_file + " names " + unix_path + ", which is not there";
        return FFMPEG_MISSING;
    }
    return FFMPEG_FOUND;
}

int NotRunWithoutFfmpeg(const std::string &why)
{
    printf("not run: no ffmpeg.exe (%s)\n", why.c_str());
    fflush(stdout);
    return NOT_RUN_EXIT_CODE;
}

int RunFfmpeg(const std::string &exe, const std::vector<std::string> &arguments,
              const std::string &directory, DWORD timeout_ms, ProgramRun *run)
{
    std::string line = Quoted(exe);
    for (const std::string &argument : arguments)
        line += " " + Quoted(argument);
    return RunProgram(ToUtf16(line).c_str(), ToUtf16(directory).c_str(), NULL, timeout_ms, run);
}

std::vector<std::string> LogLines(const std::string &log, const char *component)
{
    std::vector<std::string> lines;
    const std::string start = std::string("[") + component + " @ ";
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t close = line.find("] ");
        if (line.compare(0, start.size(), start) == 0 && close != std::string::npos)
            line.erase(0, close + 2);
        lines.push_back(line);
    }
    return lines;
}
