#include <windows.h>

#include "thread_start.h"

int StartWorkerThread(LPTHREAD_START_ROUTINE routine, void *argument)
{
    HANDLE thread = CreateThread(NULL, 0, routine, argument, 0, NULL);
    if (thread == NULL)
        return -1;
    // Nobody joins the worker; it ends on its own.
    CloseHandle(thread);
    return 0;
}
