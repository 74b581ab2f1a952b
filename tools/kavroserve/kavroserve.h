// kavroserve: the camera over HTTP. The whole program but main, so tests
// run it in-process on the simulated camera with a stop signal of their
// own; main hands over the command line, the console streams, the real
// camera and Ctrl+C. Windows only.
#ifndef PUKAVRO_KAVROSERVE_H
#define PUKAVRO_KAVROSERVE_H

#include <stdio.h>

#include <string>
#include <vector>

#include "camera.h"
#include "exit_status.h"
#include "stop_signal.h"

// Serves until stop is raised: the start line and the log go to out,
// problems to err. EXIT_ALL_DONE once stopped, EXIT_USAGE for a wrong
// command line, EXIT_SOME_FAILED when it could not start.
ExitStatus RunKavroserve(const std::vector<std::string> &args, FILE *out, FILE *err,
                         const CameraSeam &camera, StopSignal *stop);

#endif
