// R: starts and stops the recording. The movie is written on a thread of its
// own, the recording thread (recording.h), so the window never waits on the
// disk; the window only shows its length and frames.
#include <windows.h>

#include <new>

#include "recording.h"
#include "utf8_names.h"
#include "view_resource.h"
#include "view_window.h"

namespace {

DWORD WINAPI RecordingThread(LPVOID parameter)
{
    Recording *recording = static_cast<Recording *>(parameter);
    RunRecording(recording);
    // Once posted, the recording is the window's to free. A window already
    // gone leaves it to the end of the process.
    PostMessageW(static_cast<HWND>(recording->owner), MSG_RECORDING_DONE, 0,
                 reinterpret_cast<LPARAM>(recording));
    return 0;
}

void ShowFailure(ViewWindow *view, const std::string &reason)
{
    MessageBoxW(view->window,
                FormatText(STR_RECORD_FAILED, WidenUtf8(reason.c_str()).c_str()).c_str(),
                LoadText(STR_ERROR_CAPTION).c_str(), MB_ICONERROR);
}

// One at a time: R again while the last movie is still being finished does
// nothing.
void Start(ViewWindow *view)
{
    if (view->recording_thread != NULL)
        return;
    Recording *recording = new (std::nothrow) Recording;
    if (recording == NULL) {
        ShowFailure(view, "out of memory");
        return;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    recording->started = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    recording->folder = view->folder;
    recording->owner = view->window;
    recording->stamp = view->stamp;
    HANDLE thread = CreateThread(NULL, 0, RecordingThread, recording, 0, NULL);
    if (thread == NULL) {
        delete recording;
        ShowFailure(view, "no thread could be started");
        return;
    }
    view->recording = recording;
    view->recording_thread = thread;
    RecordInto(&view->live, recording);
    CheckMenuItem(GetMenu(view->window), CMD_RECORD, MF_BYCOMMAND | MF_CHECKED);
}

}  // namespace

void ToggleRecording(ViewWindow *view)
{
    if (view->recording == NULL)
        Start(view);
    else
        StopRecording(view);
    ShowStatus(view);
}

void StopRecording(ViewWindow *view)
{
    if (view->recording == NULL)
        return;
    RecordInto(&view->live, NULL);
    EndRecording(view->recording);
    view->recording = NULL;
    CheckMenuItem(GetMenu(view->window), CMD_RECORD, MF_BYCOMMAND | MF_UNCHECKED);
}

void OnRecordingDone(ViewWindow *view, LPARAM parameter)
{
    Recording *recording = reinterpret_cast<Recording *>(parameter);
    if (recording == view->recording)
        StopRecording(view);  // it ended by itself: a write failed
    CloseHandle(view->recording_thread);
    view->recording_thread = NULL;
    if (recording->outcome == RECORDING_DONE && !recording->name.empty())
        ShowStatusNote(view, FormatText(STR_RECORDED, WidenUtf8(recording->name.c_str()).c_str()));
    else if (recording->outcome == RECORDING_FAILED)
        ShowFailure(view, recording->reason);
    delete recording;
}

std::wstring RecordingText(ViewWindow *view)
{
    if (view->recording == NULL)
        return std::wstring();
    int seconds = static_cast<int>(view->recording->length_us.load() / 1000000);
    return FormatText(STR_RECORDING, seconds / 60, seconds % 60, view->recording->frames.load());
}
