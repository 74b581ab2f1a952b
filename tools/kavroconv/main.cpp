#include "command_line.h"
#include "kavroconv.h"
#include "report.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(argc, argv, &args) != ARGUMENTS_READ) {
        Report(stderr, KAVROCONV_NAME, "cannot read the command line");
        return EXIT_USAGE;
    }
    return RunKavroconv(args, stdout, stderr);
}
