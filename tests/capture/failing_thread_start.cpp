// A thread starter that always fails, linked in place of the real one.
#include <windows.h>

#include "thread_start.h"

LPTHREAD_START_ROUTINE g_start_routine;
void *g_start_argument;
int g_start_calls;

int StartWorkerThread(LPTHREAD_START_ROUTINE routine, void *argument)
{
    g_start_calls++;
    g_start_routine = routine;
    g_start_argument = argument;
    return -1;
}
