#include "dll_module.h"

static volatile LONG g_objects;
static volatile LONG g_pinned;

void ObjectMade()
{
    InterlockedIncrement(&g_objects);
}
void ObjectGone()
{
    InterlockedDecrement(&g_objects);
}
bool AnyObjectLives()
{
    return InterlockedCompareExchange(&g_objects, 0, 0) != 0;
}

bool PinDllInMemory()
{
    if (InterlockedCompareExchange(&g_pinned, 0, 0))
        return true;
    HMODULE self;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            (LPCWSTR)&PinDllInMemory, &self))
        return false;
    InterlockedExchange(&g_pinned, 1);
    return true;
}
