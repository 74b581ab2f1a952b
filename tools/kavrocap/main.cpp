// kavrocap.exe: the console, the camera, the clock and Ctrl+C of a real run.
#include "command_line.h"
#include "ctrl_c.h"
#include "exec_windows.h"
#include "kavrocap.h"
#include "report.h"
#include "timed_capture.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args;
    if (GetUtf8Arguments(argc, argv, &args) != ARGUMENTS_READ) {
        Report(stderr, KAVROCAP_NAME, "cannot read the command line");
        return EXIT_USAGE;
    }
    // Raised from the console's own thread until the process ends.
    static StopSignal stop;
    if (WatchCtrlC(&stop) != CTRL_C_WATCHED) {
        Report(stderr, KAVROCAP_NAME, "cannot watch for Ctrl+C");
        return EXIT_SOME_FAILED;
    }
    return RunKavrocapWith(args, stdout, stderr, TimedCameraSeam(), RealClock(&stop),
                           WindowsExecSeam());
}
