#include "command_split.h"

#include "no_case.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The program's name: no escapes, so C:\path\ stays as it is.
size_t SplitProgram(const std::string &line, std::vector<std::string> *arguments)
{
    size_t at = 0;
    std::string program;
    if (!line.empty() && line[0] == '"') {
        size_t end = line.find('"', 1);
        program = line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        at = end == std::string::npos ? line.size() : end + 1;
    } else {
        while (at < line.size() && !IsBlank(line[at]))
            program += line[at++];
    }
    arguments->push_back(program);
    return at;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string &line)
{
    std::vector<std::string> arguments;
    size_t at = SplitProgram(line, &arguments);
    while (true) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        if (at == line.size())
            return arguments;
        std::string argument;
        // 0 outside quotes; inside, the quotes met in a row so far.
        int quotes = 0;
        while (at < line.size() && (quotes > 0 || !IsBlank(line[at]))) {
            size_t backslashes = 0;
            while (at < line.size() && line[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at == line.size() || line[at] != '"') {
                argument.append(backslashes, '\\');
                if (at < line.size() && (quotes > 0 || !IsBlank(line[at])))
                    argument += line[at++];
                continue;
            }
            argument.append(backslashes / 2, '\\');
            ++at;
            if (backslashes % 2 == 1) {
                argument += '"';
                continue;
            }
            // An even run: this quote opens or closes; further quotes right
            // after it count on, and the third of a run is a quote itself.
            ++quotes;
            while (at < line.size() && line[at] == '"') {
                ++at;
                if (++quotes == 3) {
                    argument += '"';
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
        }
        arguments.push_back(argument);
    }
}

std::string QuoteArgument(const std::string &argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    // ... and before the closing quote.
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

bool GoesThroughCmd(const std::string &program)
{
    size_t end = program.find_last_not_of(". ");
    if (end == std::string::npos)
        return false;
    std::string name = program.substr(0, end + 1);
    size_t slash = name.find_last_of("\\/:");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    return EndsWithNoCase(name.c_str(), ".bat") || EndsWithNoCase(name.c_str(), ".cmd")
           || EqualNoCase(base.c_str(), "cmd") || EqualNoCase(base.c_str(), "cmd.exe");
}
