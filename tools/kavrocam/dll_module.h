// What the DLL keeps for its whole life: how many of its objects live
// (DllCanUnloadNow), and its pin in memory once it has started a thread,
// so a thread left waiting on a stuck driver never runs unloaded code.
#ifndef PUKAVRO_DLL_MODULE_H
#define PUKAVRO_DLL_MODULE_H

#include <windows.h>

void ObjectMade();
void ObjectGone();
bool AnyObjectLives();

// Before the DLL starts its first thread: from then on it stays loaded
// until the process ends. false when it could not be pinned (then no
// thread may be started).
bool PinDllInMemory();

#endif
