#include "kavrocap.h"
#include "text.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(argc, argv, &args) != 0) {
        fputs("kavrocap: cannot read the command line\n", stderr);
        return EXIT_USAGE;
    }
    return RunKavrocap(args);
}
