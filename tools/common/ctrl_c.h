// Ctrl+C (and Ctrl+Break) raise a stop signal instead of ending the
// process, so that the frame in flight is abandoned cleanly and the summary
// printed, or the connections ended. Windows only.
#ifndef PUKAVRO_CTRL_C_H
#define PUKAVRO_CTRL_C_H

#include "stop_signal.h"

enum CtrlCWatch { CTRL_C_WATCHED, CTRL_C_NOT_WATCHED };

// From now on Ctrl+C raises stop, which must live as long as the process.
CtrlCWatch WatchCtrlC(StopSignal *stop);

#endif
