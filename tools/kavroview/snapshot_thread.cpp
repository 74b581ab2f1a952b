// Snapshots on a thread of their own, the snapshot thread, so the window
// never waits on the disk. One at a time: Space while one is being saved
// does nothing.
#include <windows.h>
#include <string.h>

#include <new>

#include "snapshot.h"
#include "utf8_names.h"
#include "view_resource.h"
#include "view_window.h"

namespace {

struct SnapshotJob {
    HWND window;
    std::string folder;
    uint8_t raw[RAW_FRAME_BYTES];
    uint8_t picture[DISPLAY_IMAGE_BYTES];  // as shown, the time stamp in it when on
    SnapshotResult result;
    std::string saved;
    std::string reason;
};

DWORD WINAPI SnapshotThread(LPVOID parameter)
{
    SnapshotJob *job = static_cast<SnapshotJob *>(parameter);
    job->result = SaveSnapshot(job->folder, job->raw, job->picture, &job->saved, &job->reason);
    // Once posted, the job is the window's. A window already gone leaves it
    // to the end of the process.
    PostMessageW(job->window, MSG_SNAPSHOT_DONE, 0, reinterpret_cast<LPARAM>(job));
    return 0;
}

void ShowFailure(ViewWindow *view, const std::string &reason)
{
    MessageBoxW(view->window,
                FormatText(STR_SNAPSHOT_FAILED, WidenUtf8(reason.c_str()).c_str()).c_str(),
                LoadText(STR_ERROR_CAPTION).c_str(), MB_ICONERROR);
}

}  // namespace

void StartSnapshot(ViewWindow *view)
{
    if (view->snapshot_busy)
        return;
    SnapshotJob *job = new (std::nothrow) SnapshotJob;
    if (job == NULL) {
        ShowFailure(view, "out of memory");
        return;
    }
    job->window = view->window;
    job->folder = view->folder;
    memcpy(job->raw, view->raw, RAW_FRAME_BYTES);
    memcpy(job->picture, view->picture, DISPLAY_IMAGE_BYTES);
    HANDLE thread = CreateThread(NULL, 0, SnapshotThread, job, 0, NULL);
    if (thread == NULL) {
        delete job;
        ShowFailure(view, "no thread could be started");
        return;
    }
    CloseHandle(thread);
    view->snapshot_busy = true;
}

void OnSnapshotDone(ViewWindow *view, LPARAM parameter)
{
    SnapshotJob *job = reinterpret_cast<SnapshotJob *>(parameter);
    view->snapshot_busy = false;
    if (job->result == SNAPSHOT_SAVED)
        ShowStatusNote(view, FormatText(STR_SAVED, WidenUtf8(job->saved.c_str()).c_str()));
    else
        ShowFailure(view, job->reason);
    delete job;
}
