// Starting the capture worker, kept apart so that a test program can link a
// starter that fails instead of this one.
#ifndef PUKAVRO_THREAD_START_H
#define PUKAVRO_THREAD_START_H

#include <windows.h>

// Starts routine(argument) on a new thread with the default stack size and
// keeps no handle to it. Returns 0, or -1 when no thread could be started.
int StartWorkerThread(LPTHREAD_START_ROUTINE routine, void *argument);

#endif
