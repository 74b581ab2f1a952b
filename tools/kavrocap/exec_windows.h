// --exec's programs on Windows: each in a job object of its own, so that the
// time-out ends it and everything it started, with nothing of kavrocap's
// standard output handed on (raw frames may be going there).
#ifndef PUKAVRO_KAVROCAP_EXEC_WINDOWS_H
#define PUKAVRO_KAVROCAP_EXEC_WINDOWS_H

#include "exec_queue.h"

ExecSeam WindowsExecSeam();

#endif
