// The Camera menu: the cameras present, found on a thread of its own (the
// camera-listing thread, since opening devices may take a while), and the
// switch to another one.
#include <windows.h>

#include <new>
#include <vector>

#include "camera_choice.h"
#include "view_resource.h"
#include "view_window.h"

namespace {

struct CameraListJob {
    HWND window;
    CameraSeam seam;
    std::vector<int> present;
};

DWORD WINAPI CameraListingThread(LPVOID parameter)
{
    CameraListJob *job = static_cast<CameraListJob *>(parameter);
    job->present = ListCameras(job->seam);
    PostMessageW(job->window, MSG_CAMERAS_LISTED, 0, reinterpret_cast<LPARAM>(job));
    return 0;
}

std::string ChosenDevice(ViewWindow *view)
{
    std::lock_guard<std::mutex> hold(view->live.device_lock);
    return view->live.device;
}

void FillCameraMenu(ViewWindow *view, HMENU menu, const std::vector<int> &present)
{
    while (GetMenuItemCount(menu) > 0)
        DeleteMenu(menu, 0, MF_BYPOSITION);
    if (present.empty()) {
        AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, LoadText(STR_NO_CAMERAS).c_str());
        return;
    }
    std::string chosen = ChosenDevice(view);
    for (int number : present) {
        UINT flags = MF_STRING;
        if (EzusbDevicePath(number) == chosen)
            flags |= MF_CHECKED;
        AppendMenuW(menu, flags, CMD_CAMERA_0 + number,
                    FormatText(STR_CAMERA_ITEM, number).c_str());
    }
}

}  // namespace

void StartCameraListing(ViewWindow *view)
{
    if (view->cameras_busy)
        return;
    CameraListJob *job = new (std::nothrow) CameraListJob;
    if (job == NULL)
        return;
    job->window = view->window;
    job->seam = view->live.seam;
    HANDLE thread = CreateThread(NULL, 0, CameraListingThread, job, 0, NULL);
    if (thread == NULL) {
        delete job;
        return;
    }
    CloseHandle(thread);
    view->cameras_busy = true;
}

void OnCamerasListed(ViewWindow *view, LPARAM parameter)
{
    CameraListJob *job = reinterpret_cast<CameraListJob *>(parameter);
    view->cameras_busy = false;
    FillCameraMenu(view, GetSubMenu(GetMenu(view->window), MENU_CAMERA_POSITION), job->present);
    delete job;
}

void OnChooseCamera(ViewWindow *view, int number)
{
    std::string device = EzusbDevicePath(number);
    SwitchCamera(&view->live, device);
    HMENU menu = GetSubMenu(GetMenu(view->window), MENU_CAMERA_POSITION);
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(menu, i);
        CheckMenuItem(
            menu, id,
            MF_BYCOMMAND
                | (id == static_cast<UINT>(CMD_CAMERA_0 + number) ? MF_CHECKED : MF_UNCHECKED));
    }
}
