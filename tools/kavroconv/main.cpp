#include "command_line.h"
#include "kavroconv.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(argc, argv, &args) != ARGUMENTS_READ) {
        fputs(KAVROCONV_NAME ": cannot read the command line\n", stderr);
        return EXIT_USAGE;
    }
    return RunKavroconv(args, stdout, stderr);
}
