#include "wait.h"

namespace {

void HandleQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

void PumpMessages(DWORD ms)
{
    HandleQueue();
    MsgWaitForMultipleObjects(0, NULL, FALSE, ms, QS_ALLINPUT);
    HandleQueue();
}
