#include "pukavro.h"

#include "expected.h"
#include "files.h"
#include "input.h"
#include "sim_controls.h"
#include "wait.h"

HWND FindMainWindow(DWORD process_id)
{
    return FindProcessWindow(process_id, MAIN_CLASS_NAME, 0);
}

int StartPukavro(Program *app, const std::string &path, const std::string &directory)
{
    std::string command_line = "\"" + path + "\"";
    if (LaunchProgram(app, command_line.c_str(), directory.c_str()) != 0)
        return -1;
    bool shown = false;
    WaitUntil([app, &shown] {
        app->window = FindMainWindow(app->info.dwProcessId);
        shown = app->window != NULL && IsWindowVisible(app->window)
                && KeyboardFocus(app->info.dwThreadId) == app->window;
        return shown || !ProgramRunning(app);
    });
    return shown ? 0 : -1;
}

bool WaitForCaptureAndSave(HWND window, bool enabled)
{
    return WaitUntil([window, enabled] {
        HWND capture = GetDlgItem(window, ID_CAPTURE);
        HWND save = GetDlgItem(window, ID_SAVE);
        return capture != NULL && save != NULL && (IsWindowEnabled(capture) != FALSE) == enabled
               && (IsWindowEnabled(save) != FALSE) == enabled;
    });
}

int CaptureFrame(HWND window)
{
    EzusbsimCounters before;
    if (ReadCounters(&before) != 0 || ClickControl(GetDlgItem(window, ID_CAPTURE)) != 0)
        return -1;
    bool sent = WaitUntil([&before] {
        EzusbsimCounters now;
        return ReadCounters(&now) == 0 && now.frames_sent == before.frames_sent + 1;
    });
    return sent && WaitForCaptureAndSave(window, true) ? 0 : -1;
}

int SaveFrame(HWND window, const std::string &path, std::vector<uint8_t> *bytes)
{
    HWND save = GetDlgItem(window, ID_SAVE);
    if (ClickControl(save) != 0)
        return -1;
    bool saved = WaitUntil([&] {
        return IsWindowEnabled(save) && ReadWholeFile(path, bytes) == 0
               && bytes->size() == EZUSBSIM_FRAME_BYTES;
    });
    return saved ? 0 : -1;
}

Pixels CameraPicture(uint32_t n)
{
    Pixels picture;
    FramePicture(CameraFrame(n).data(), &picture);
    return picture;
}

Pixels FirstPicture()
{
    return UniformPicture(FIRST_PICTURE_RGB);
}
