#include "command_line.h"
#include "installer.h"
#include "report.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(argc, argv, &args) != ARGUMENTS_READ) {
        Report(stderr, KAVROCAM_NAME, "cannot read the command line");
        return EXIT_USAGE;
    }
    return RunInstaller(args, ProgramFolder(), stdout, stderr);
}
