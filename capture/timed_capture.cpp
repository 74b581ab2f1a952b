// The tools' camera: the shared client for frames, the device alone for a
// presence probe, the board alone for its holder.
#include "timed_capture.h"

#include <string>

#include "camera_client.h"

namespace {

void *OpenTimedCamera(const char *device)
{
    return OpenSharedCamera(ProcessCameraHost(), device);
}

CameraPresence ProbeTimedCamera(const char *device)
{
    std::wstring path;
    int wide = MultiByteToWideChar(CP_UTF8, 0, device, -1, NULL, 0);
    if (wide > 0) {
        path.resize(static_cast<size_t>(wide));
        MultiByteToWideChar(CP_UTF8, 0, device, -1, &path[0], wide);
    }
    HANDLE opened = path.empty() ? INVALID_HANDLE_VALUE
                                 : CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, NULL,
                                               OPEN_EXISTING, 0, NULL);
    if (opened == INVALID_HANDLE_VALUE)
        return CAMERA_ABSENT;
    CloseHandle(opened);
    return CAMERA_PRESENT;
}

}  // namespace

CameraSeam TimedCameraSeam()
{
    CameraSeam seam = {OpenTimedCamera, TakeSharedFrame, CloseSharedCamera, ProbeTimedCamera,
                       ReadCameraHolder};
    return seam;
}
