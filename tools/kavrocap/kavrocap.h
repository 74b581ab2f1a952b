// kavrocap: still frames from the camera for scripts and time-lapse.
// Everything the tool does lives here as a library, so that tests run it
// in-process against a scripted camera and a clock of their own; main only
// hands over the command line, the console streams, the real camera, the
// real clock and Ctrl+C. Names are UTF-8 throughout. Platform-free.
#ifndef PUKAVRO_KAVROCAP_H
#define PUKAVRO_KAVROCAP_H

#include <stdio.h>

#include <string>
#include <vector>

#include "camera.h"
#include "capture_clock.h"
#include "exec_queue.h"
#include "exit_status.h"

// How it names itself in every line it reports.
#define KAVROCAP_NAME "kavrocap"

// Runs the tool on the UTF-8 arguments (the program's name first): saved
// files (or the frames themselves) go to out, progress and problems to err,
// frames come from camera, and the schedule, names and Ctrl+C from clock.
ExitStatus RunKavrocap(const std::vector<std::string> &args, FILE *out, FILE *err,
                       const CameraSeam &camera, const CaptureClock &clock);

// The same, the programs of --exec started through exec; RunKavrocap
// starts none (each one "could not start").
ExitStatus RunKavrocapWith(const std::vector<std::string> &args, FILE *out, FILE *err,
                           const CameraSeam &camera, const CaptureClock &clock,
                           const ExecSeam &exec);

#endif
