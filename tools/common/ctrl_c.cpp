#include "ctrl_c.h"

#include <windows.h>

namespace {

// The console calls its handler with no context of ours, on a thread of its
// own: the signal it raises must be reachable from here.
StopSignal *ctrl_c_stop = NULL;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        RaiseStop(ctrl_c_stop);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

CtrlCWatch WatchCtrlC(StopSignal *stop)
{
    ctrl_c_stop = stop;
    return SetConsoleCtrlHandler(OnConsoleControl, TRUE) ? CTRL_C_WATCHED : CTRL_C_NOT_WATCHED;
}
