#include "process_figures.h"

#include <winternl.h>
#include <tlhelp32.h>
#include <psapi.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "clock.h"
#include "wait.h"

namespace {

const int AGREEING_READINGS = 5;
const DWORD READING_MS = 50;

// STATUS_INFO_LENGTH_MISMATCH: the list has grown past the buffer.
const NTSTATUS INFO_LENGTH_MISMATCH = static_cast<NTSTATUS>(0xC0000004L);
const size_t HANDLE_LIST_LIMIT = 64u << 20;

}  // namespace

int CountThreads(DWORD process_id)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    int threads = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == process_id)
            threads++;
    }
    CloseHandle(snapshot);
    return threads;
}

// The list holds every handle of every process; Wine 8 fills it from its
// server, where GetProcessHandleCount of another process gives 0.
int CountHandles(DWORD process_id)
{
    std::vector<uint8_t> buffer(64 * 1024);
    NTSTATUS status;
    for (;;) {
        ULONG needed = 0;
        status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                          static_cast<ULONG>(buffer.size()), &needed);
        if (status != INFO_LENGTH_MISMATCH || buffer.size() >= HANDLE_LIST_LIMIT)
            break;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0)
        return -1;
    const SYSTEM_HANDLE_INFORMATION *list =
        reinterpret_cast<const SYSTEM_HANDLE_INFORMATION *>(buffer.data());
    int handles = 0;
    for (ULONG i = 0; i < list->Count; i++) {
        if (list->Handle[i].OwnerPid == process_id)
            handles++;
    }
    return handles;
}

int ReadProcessFigures(HANDLE process, DWORD process_id, ProcessFigures *figures)
{
    PROCESS_MEMORY_COUNTERS memory;
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, &memory, sizeof memory))
        return -1;
    figures->handles = CountHandles(process_id);
    figures->threads = CountThreads(process_id);
    figures->working_set = memory.WorkingSetSize;
    figures->pagefile_usage = memory.PagefileUsage;
    return figures->threads > 0 && figures->handles >= 0 ? 0 : -1;
}

int ReadRestingFigures(HANDLE process, DWORD process_id, ProcessFigures *figures)
{
    ProcessFigures previous = {-1, -1, 0, 0};
    int agreeing = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < HANG_MS) {
        if (ReadProcessFigures(process, process_id, figures) != 0)
            return -1;
        bool same = figures->threads == previous.threads && figures->handles == previous.handles;
        agreeing = same ? agreeing + 1 : 0;
        previous = *figures;
        if (agreeing + 1 >= AGREEING_READINGS)
            return 0;
        PumpMessages(READING_MS);
    }
    return -1;
}

int PingWindow(HWND window, UINT limit_ms, double *ms)
{
    double start = NowMs();
    DWORD_PTR result = 0;
    LRESULT answered =
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limit_ms, &result);
    *ms = NowMs() - start;
    return answered ? 0 : -1;
}
