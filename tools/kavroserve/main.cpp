// kavroserve.exe: the console, the camera and Ctrl+C of a real run.
#include "command_line.h"
#include "ctrl_c.h"
#include "kavroserve.h"
#include "report.h"
#include "server_options.h"
#include "timed_capture.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(argc, argv, &args) != ARGUMENTS_READ) {
        Report(stderr, KAVROSERVE_NAME, "cannot read the command line");
        return EXIT_USAGE;
    }
    // Raised from the console's own thread until the process ends.
    static StopSignal stop;
    if (WatchCtrlC(&stop) != CTRL_C_WATCHED) {
        Report(stderr, KAVROSERVE_NAME, "cannot watch for Ctrl+C");
        return EXIT_SOME_FAILED;
    }
    return RunKavroserve(args, stdout, stderr, TimedCameraSeam(), &stop);
}
