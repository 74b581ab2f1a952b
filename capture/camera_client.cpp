// The client's thread. Waking loses nothing: every client has its own
// auto-reset event, which the taker sets after each result is whole, and a
// client looks at the board's newest result each time it wakes, so a result
// published between its look and its wait leaves the event set. The taker is
// woken the same way through the demand event, set by a client after it
// wrote what its callers wait for.
#include "camera_client.h"

#include <windows.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "camera_board.h"
#include "camera_objects.h"
#include "camera_thread.h"
#include "driver_conversation.h"
#include "frame_clock.h"
#include "frame_hub.h"

struct CameraHost {
    std::mutex lock;
    std::vector<struct CameraClient *> clients;
    uint32_t instance;
};

struct CameraClient {
    CameraHost *host;
    std::string device;
    int users = 1;  // under the host's lock
    SharedObject state = SHARED_OBJECT_FAILED;
    HANDLE role = NULL;         // Global\: the taker role
    HANDLE mapping = NULL;      // the board
    HANDLE slots_guard = NULL;  // claiming and freeing slots
    HANDLE demand = NULL;       // the taker's wake
    HANDLE wake = NULL;         // this client's own callers
    HANDLE events[BOARD_SLOTS] = {};
    CameraBoard *board = NULL;
    int slot = -1;
    BoardProcess me;
    char name[BOARD_NAME_BYTES];
    FrameHub hub;
    CameraThread *conversation = NULL;
    HANDLE thread = NULL;
    // Both under cancel's lock. Raised at closing, and when every caller
    // waiting for the conversation out was stopped: ends it.
    bool closing = false;
    std::atomic<bool> conversation_out{false};
    StopSignal cancel;
    // The thread's own.
    bool taker = false;
    uint64_t seen = 0;
    BoardDemand written;
    BoardResult result;
};

struct SharedBinding {
    CameraClient *client;
    HubSubscriber subscriber;
};

namespace {

const wchar_t BOARD_SUFFIX[] = L"-board";

std::atomic<uint32_t> g_instances{0};

uint64_t ProcessCreated(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Whether the program the board names still runs: the same pid, made at
// the same time, not ended.
bool StillRuns(const BoardProcess &process)
{
    if (process.pid == GetCurrentProcessId())
        return true;
    HANDLE opened =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.pid);
    if (opened == NULL)
        return GetLastError() == ERROR_ACCESS_DENIED;
    bool runs =
        ProcessCreated(opened) == process.created && WaitForSingleObject(opened, 0) == WAIT_TIMEOUT;
    CloseHandle(opened);
    return runs;
}

std::wstring WidePath(const char *device)
{
    std::wstring path;
    int wide = MultiByteToWideChar(CP_UTF8, 0, device, -1, NULL, 0);
    if (wide <= 0)
        return path;
    path.resize(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, 0, device, -1, &path[0], wide);
    path.resize(static_cast<size_t>(wide - 1));
    return path;
}

void ProgramName(char *name)
{
    memset(name, 0, BOARD_NAME_BYTES);
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const wchar_t *base = path;
    for (const wchar_t *c = path; *c != L'\0'; ++c)
        if (*c == L'\\' || *c == L'/')
            base = c + 1;
    WideCharToMultiByte(CP_UTF8, 0, base, -1, name, BOARD_NAME_BYTES - 1, NULL, NULL);
}

// Lower-cased as the objects' names are: one client for "-d 2" and \\.\EZUSB-2.
bool SameCamera(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

void WakeClient(void *context)
{
    SetEvent(static_cast<CameraClient *>(context)->wake);
}

bool Closing(CameraClient *client)
{
    std::lock_guard<std::mutex> hold(client->cancel.lock);
    return client->closing;
}

// A Ctrl+C: a conversation nobody waits for any more is not waited out.
void CancelUnwanted(void *context)
{
    CameraClient *client = static_cast<CameraClient *>(context);
    if (client->conversation_out.load() && !OthersWait(client->board, client->slot, MonotonicUs()))
        RaiseStop(&client->cancel);
}

// A caller with a longer time-out that joined the conversation out extends it.
uint32_t ExtendConversation(void *context)
{
    CameraClient *client = static_cast<CameraClient *>(context);
    // Its own callers' demand first: the thread is busy with the conversation.
    client->written = HubDemand(&client->hub);
    WriteDemand(&client->board->slots[client->slot], client->written);
    int64_t now = MonotonicUs();
    int64_t latest = LatestDeadline(client->board, LoadStarted(client->board), now);
    if (latest <= now)
        return 0;
    SetRunningDeadline(client->board, latest);
    return static_cast<uint32_t>((latest - now + 999) / 1000);
}

// Before a conversation: false when closing, else the cancel is lowered.
bool ReadyToConverse(CameraClient *client)
{
    std::lock_guard<std::mutex> hold(client->cancel.lock);
    if (client->closing)
        return false;
    client->cancel.raised = false;
    client->conversation_out = true;
    return true;
}

// Every object, the board checked, a slot claimed; state says how it went.
void Attach(CameraClient *client, const wchar_t *path)
{
    std::wstring base = CameraObjectBase(client->device.c_str());
    if (base.empty())
        return;
    bool made = false;  // the guard decides who fills it in
    SharedObject state = CreateCameraMutex(base, &client->role);
    if (state == SHARED_OBJECT_OURS)
        state =
            CreateCameraMapping(base, BOARD_SUFFIX, sizeof(CameraBoard), &client->mapping, &made);
    if (state == SHARED_OBJECT_OURS)
        state = CreateCameraGuard(base, L"-slots", &client->slots_guard);
    if (state == SHARED_OBJECT_OURS)
        state = CreateCameraEvent(base, L"-demand", &client->demand);
    for (int i = 0; i < BOARD_SLOTS && state == SHARED_OBJECT_OURS; ++i)
        state = CreateCameraEvent(base, L"-wake-" + std::to_wstring(i), &client->events[i]);
    client->state = state;
    if (state != SHARED_OBJECT_OURS)
        return;
    client->state = SHARED_OBJECT_FAILED;
    client->board = static_cast<CameraBoard *>(
        MapViewOfFile(client->mapping, FILE_MAP_WRITE, 0, 0, sizeof(CameraBoard)));
    client->wake = CreateEventW(NULL, FALSE, FALSE, NULL);
    if (client->board == NULL || client->wake == NULL)
        return;

    DWORD guarded = WaitForSingleObject(client->slots_guard, INFINITE);
    if (guarded != WAIT_OBJECT_0 && guarded != WAIT_ABANDONED)
        return;
    // A new mapping is all zeros: the first client to hold the guard fills
    // it in, whichever made it.
    if (__atomic_load_n(&client->board->magic, __ATOMIC_ACQUIRE) == 0)
        InitBoard(client->board);
    if (!BoardIsOurs(client->board)) {
        ReleaseMutex(client->slots_guard);
        client->state = SHARED_OBJECT_FOREIGN;
        return;
    }
    for (int i = 0; i < BOARD_SLOTS && client->slot < 0; ++i) {
        BoardSlot *slot = &client->board->slots[i];
        // A slot a program that ended left claimed is free.
        if (slot->claimed && StillRuns(slot->process))
            continue;
        slot->process = client->me;
        BoardDemand none = {0, 0, 0, 0, 0};
        WriteDemand(slot, none);
        __atomic_store_n(&slot->claimed, 1u, __ATOMIC_RELEASE);
        client->slot = i;
    }
    ReleaseMutex(client->slots_guard);
    if (client->slot < 0)
        return;
    ConversationRecord record;
    record.mapping = client->mapping;
    record.process = client->me;
    memcpy(record.name, client->name, sizeof record.name);
    client->conversation = StartDriverConversation(path, record);
    if (client->conversation != NULL)
        client->state = SHARED_OBJECT_OURS;
}

void FreeClient(CameraClient *client)
{
    if (client->conversation != NULL)
        EndCameraThread(client->conversation);
    if (client->slot >= 0 && client->slots_guard != NULL) {
        DWORD guarded = WaitForSingleObject(client->slots_guard, INFINITE);
        __atomic_store_n(&client->board->slots[client->slot].claimed, 0u, __ATOMIC_RELEASE);
        if (guarded == WAIT_OBJECT_0 || guarded == WAIT_ABANDONED)
            ReleaseMutex(client->slots_guard);
    }
    if (client->board != NULL)
        UnmapViewOfFile(client->board);
    HANDLE handles[] = {client->role,   client->mapping, client->slots_guard,
                        client->demand, client->wake,    client->thread};
    for (HANDLE handle : handles)
        if (handle != NULL)
            CloseHandle(handle);
    for (HANDLE event : client->events)
        if (event != NULL)
            CloseHandle(event);
    delete client;
}

// The board's newest result to this program's callers, once.
void Deliver(CameraClient *client)
{
    if (ReadResult(client->board, &client->result) != BOARD_READ)
        return;
    if (client->result.sequence <= client->seen)
        return;
    client->seen = client->result.sequence;
    DeliverResult(&client->hub, client->result);
}

void WriteOwnDemand(CameraClient *client)
{
    BoardDemand demand = HubDemand(&client->hub);
    if (memcmp(&demand, &client->written, sizeof demand) == 0)
        return;
    client->written = demand;
    WriteDemand(&client->board->slots[client->slot], demand);
    if (!client->taker && demand.waiting > 0)
        SetEvent(client->demand);
}

void BecomeTaker(CameraClient *client)
{
    client->taker = true;
    RepairResult(client->board);
    BoardRecord taker;
    memset(&taker, 0, sizeof taker);
    taker.active = 1;
    taker.process = client->me;
    memcpy(taker.name, client->name, sizeof taker.name);
    WriteRecord(&client->board->taker, taker);
}

void LeaveTaker(CameraClient *client)
{
    BoardRecord none;
    memset(&none, 0, sizeof none);
    WriteRecord(&client->board->taker, none);
    ReleaseMutex(client->role);
}

// A conversation another program left out in the driver: while it runs,
// nothing more may be sent. Cleared once that program has ended.
bool HeldElsewhere(CameraClient *client)
{
    BoardRecord out;
    if (ReadRecord(&client->board->out, &out) != BOARD_READ)
        return true;
    if (!out.active)
        return false;
    if (StillRuns(out.process))
        return true;
    BoardRecord none;
    memset(&none, 0, sizeof none);
    WriteRecord(&client->board->out, none);
    return false;
}

void Publish(CameraClient *client, const BoardResult &result)
{
    PublishResult(client->board, result);
    for (int i = 0; i < BOARD_SLOTS; ++i)
        if (i != client->slot
            && __atomic_load_n(&client->board->slots[i].claimed, __ATOMIC_ACQUIRE))
            SetEvent(client->events[i]);
}

// The taker's turn: one conversation if any program wants one now (true),
// else *wait_ms is how long until one may.
bool Serve(CameraClient *client, DWORD *wait_ms)
{
    int64_t now = MonotonicUs();
    BoardWants wants = GatherWants(client->board, now);
    if (!wants.run) {
        *wait_ms = wants.next_due_us == INT64_MAX
                       ? INFINITE
                       : static_cast<DWORD>((wants.next_due_us - now + 999) / 1000);
        return false;
    }
    BoardResult &result = client->result;
    uint32_t timeout_ms = static_cast<uint32_t>((wants.deadline_us - now + 999) / 1000);
    if (!ReadyToConverse(client))
        return true;
    bool held = HeldElsewhere(client);
    result.sequence = BeginConversation(client->board, now + int64_t(timeout_ms) * 1000);
    uint32_t got = 0;
    CameraOutcome outcome =
        held ? CAMERA_HELD
             : TakeFrameOnThreadExtended(client->conversation, timeout_ms, ExtendConversation,
                                         client, &client->cancel, result.frame, &got);
    client->conversation_out = false;
    // Closing: the callers elsewhere ask the next taker.
    if (outcome == CAMERA_STOPPED)
        return true;
    result.outcome = outcome;
    result.got = got;
    result.monotonic_us = MonotonicUs();
    result.wall_us = WallClockUs();
    Publish(client, result);
    return true;
}

DWORD WINAPI ClientMain(void *parameter)
{
    CameraClient *client = static_cast<CameraClient *>(parameter);
    for (;;) {
        Deliver(client);
        WriteOwnDemand(client);
        if (Closing(client))
            break;
        DWORD wait_ms = INFINITE;
        if (client->taker && Serve(client, &wait_ms))
            continue;
        HANDLE waits[3] = {client->wake, client->events[client->slot],
                           client->taker ? client->demand : client->role};
        DWORD woken = WaitForMultipleObjects(3, waits, FALSE, wait_ms);
        // Abandoned: the taker's thread ended; its conversations have
        // ended too, or its board record says which one is still out.
        if (!client->taker && (woken == WAIT_OBJECT_0 + 2 || woken == WAIT_ABANDONED_0 + 2))
            BecomeTaker(client);
    }
    if (client->taker)
        LeaveTaker(client);
    BoardDemand none = {0, 0, 0, 0, 0};
    WriteDemand(&client->board->slots[client->slot], none);
    FreeClient(client);
    return 0;
}

CameraClient *NewClient(CameraHost *host, const char *device)
{
    CameraClient *client = new (std::nothrow) CameraClient;
    if (client == NULL)
        return NULL;
    client->host = host;
    client->device = device;
    client->me.pid = GetCurrentProcessId();
    client->me.instance = host->instance;
    client->me.created = ProcessCreated(GetCurrentProcess());
    ProgramName(client->name);
    memset(&client->written, 0, sizeof client->written);
    memset(&client->result, 0, sizeof client->result);
    client->hub.demand_changed = WakeClient;
    client->hub.all_stopped = CancelUnwanted;
    client->hub.context = client;
    std::wstring path = WidePath(device);
    if (!path.empty())
        Attach(client, path.c_str());
    if (client->state != SHARED_OBJECT_OURS)
        return client;
    client->seen = LoadPublished(client->board);
    client->thread = CreateThread(NULL, 0, ClientMain, client, 0, NULL);
    if (client->thread == NULL)
        client->state = SHARED_OBJECT_FAILED;
    return client;
}

}  // namespace

CameraHost *ProcessCameraHost()
{
    static CameraHost *host = NewCameraHost();
    return host;
}

CameraHost *NewCameraHost()
{
    CameraHost *host = new CameraHost;
    host->instance = ++g_instances;
    return host;
}

void *OpenSharedCamera(CameraHost *host, const char *device)
{
    SharedBinding *binding = new (std::nothrow) SharedBinding;
    if (binding == NULL)
        return NULL;
    std::lock_guard<std::mutex> hold(host->lock);
    CameraClient *client = NULL;
    for (CameraClient *running : host->clients)
        if (SameCamera(running->device, device)) {
            client = running;
            ++client->users;
        }
    if (client == NULL) {
        client = NewClient(host, device);
        if (client == NULL) {
            delete binding;
            return NULL;
        }
        host->clients.push_back(client);
    }
    binding->client = client;
    Subscribe(&client->hub, &binding->subscriber,
              client->board != NULL ? LoadPublished(client->board) : 0);
    return binding;
}

CameraOutcome TakeSharedFrame(void *camera, const TakeAsk &ask, StopSignal *stop, uint8_t *frame,
                              uint32_t *got, FrameStamp *stamp)
{
    SharedBinding *binding = static_cast<SharedBinding *>(camera);
    CameraClient *client = binding->client;
    *got = 0;
    if (client->state == SHARED_OBJECT_FOREIGN)
        return CAMERA_OTHER_USER;
    if (client->state != SHARED_OBJECT_OURS)
        return CAMERA_REQUEST_FAILED;
    return TakeFromHub(&client->hub, &binding->subscriber, ask, client->board, MonotonicUs(), stop,
                       frame, got, stamp);
}

void CloseSharedCamera(void *camera)
{
    SharedBinding *binding = static_cast<SharedBinding *>(camera);
    CameraClient *client = binding->client;
    CameraHost *host = client->host;
    Unsubscribe(&client->hub, &binding->subscriber);
    delete binding;
    std::lock_guard<std::mutex> hold(host->lock);
    if (--client->users > 0)
        return;
    for (size_t i = 0; i < host->clients.size(); ++i)
        if (host->clients[i] == client)
            host->clients.erase(host->clients.begin() + static_cast<long>(i));
    if (client->thread == NULL) {
        FreeClient(client);
        return;
    }
    // The thread frees the client once its conversation is back or given up.
    {
        std::lock_guard<std::mutex> cancel(client->cancel.lock);
        client->closing = true;
        client->cancel.raised = true;
    }
    client->cancel.raised_changed.notify_all();
    SetEvent(client->wake);
}

bool ReadCameraHolder(const char *device, CameraHolder *holder)
{
    std::wstring base = CameraObjectBase(device);
    HANDLE mapping = base.empty() ? NULL : OpenCameraMapping(base, BOARD_SUFFIX);
    if (mapping == NULL)
        return false;
    const CameraBoard *board =
        static_cast<const CameraBoard *>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    BoardRecord taker;
    bool held = board != NULL && BoardIsOurs(board)
                && ReadRecord(&board->taker, &taker) == BOARD_READ && taker.active
                && StillRuns(taker.process);
    if (held) {
        holder->pid = taker.process.pid;
        memcpy(holder->name, taker.name, sizeof holder->name);
        holder->name[sizeof holder->name - 1] = '\0';
    }
    if (board != NULL)
        UnmapViewOfFile(board);
    CloseHandle(mapping);
    return held;
}

void *CameraClientThread(CameraHost *host, const char *device)
{
    std::lock_guard<std::mutex> hold(host->lock);
    for (CameraClient *client : host->clients)
        if (SameCamera(client->device, device))
            return client->thread;
    return NULL;
}
