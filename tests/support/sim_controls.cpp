#include "sim_controls.h"

#include <string.h>

#include <string>

#include "hang_limit.h"

namespace {

const DWORD POLL_MS = 20;

// Calls reached() until it is true (0) or HANG_MS has passed (-1). It only
// sleeps between calls: a caller may be inside a window procedure, which
// must not handle other messages meanwhile.
template <typename Reached> int PollUntil(Reached reached)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (reached())
            return 0;
        if (GetTickCount() - start >= HANG_MS)
            return -1;
        Sleep(POLL_MS);
    }
}

int Request(HANDLE control, DWORD code, void *out, DWORD out_bytes, ULONG camera = 0)
{
    DWORD returned = 0;
    BOOL ok =
        DeviceIoControl(control, code, &camera, sizeof camera, out, out_bytes, &returned, NULL);
    return ok && returned == out_bytes ? 0 : -1;
}

int ControlRequest(DWORD code, void *out, DWORD out_bytes, ULONG camera = 0)
{
    HANDLE control = OpenCameraControl();
    if (control == INVALID_HANDLE_VALUE)
        return -1;
    int result = Request(control, code, out, out_bytes, camera);
    CloseHandle(control);
    return result;
}

int OpenParameters(HKEY *key, int camera = 0)
{
    std::string path = EZUSBSIM_PARAMETERS_KEY;
    if (camera > 0)
        path += "\\" EZUSBSIM_CAMERA_SUBKEY + std::to_string(camera);
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, key,
                           NULL)
                   == ERROR_SUCCESS
               ? 0
               : -1;
}

// Brings the service to wanted (SERVICE_RUNNING or SERVICE_STOPPED).
int DriveService(DWORD wanted)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return -1;
    SC_HANDLE service = OpenServiceA(manager, EZUSBSIM_SERVICE,
                                     SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
    int result = -1;
    SERVICE_STATUS status;
    if (service && QueryServiceStatus(service, &status)) {
        if (status.dwCurrentState != wanted) {
            // Their results say little under Wine; the state below decides.
            if (wanted == SERVICE_RUNNING)
                StartServiceA(service, 0, NULL);
            else
                ControlService(service, SERVICE_CONTROL_STOP, &status);
        }
        result = PollUntil([&] {
            return QueryServiceStatus(service, &status) && status.dwCurrentState == wanted;
        });
    }
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

}  // namespace

HANDLE OpenCamera()
{
    return CreateFileA(EZUSBSIM_CAMERA_PATH, GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       0, NULL);
}

HANDLE OpenCameraNumber(int camera)
{
    std::string path = "\\\\.\\ezusb-" + std::to_string(camera);
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
}

HANDLE OpenCameraControl()
{
    return CreateFileA(EZUSBSIM_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                       0, NULL);
}

int ReadCountersFrom(HANDLE control, EzusbsimCounters *counters)
{
    return Request(control, EZUSBSIM_IOCTL_GET_COUNTERS, counters, sizeof *counters);
}

int ReadCounters(EzusbsimCounters *counters)
{
    return ControlRequest(EZUSBSIM_IOCTL_GET_COUNTERS, counters, sizeof *counters);
}

int ResetCounters()
{
    return ControlRequest(EZUSBSIM_IOCTL_RESET_COUNTERS, NULL, 0);
}

int ReadSettledCounters(EzusbsimCounters *counters, int camera)
{
    bool readable = true;
    int settled = PollUntil([&] {
        readable = ReadCameraCounters(camera, counters) == 0;
        return !readable || (counters->closes == counters->opens && counters->pending == 0);
    });
    return settled == 0 && readable ? 0 : -1;
}

// Requests pending go up and down: each caller waits for one number, which
// holds while a request is held or once all have ended.
int WaitForPendingRequests(uint32_t count)
{
    EzusbsimCounters counters;
    return PollUntil([&] { return ReadCounters(&counters) == 0 && counters.pending == count; });
}

// Frames sent only grow, and may grow by several between two readings.
int WaitForFramesSent(uint32_t count)
{
    EzusbsimCounters counters;
    return PollUntil([&] { return ReadCounters(&counters) == 0 && counters.frames_sent >= count; });
}

int SetKnob(const char *name, DWORD value)
{
    return SetCameraKnob(0, name, value);
}

int SetCameraKnob(int camera, const char *name, DWORD value)
{
    HKEY key;
    if (OpenParameters(&key, camera) != 0)
        return -1;
    LONG result = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                                 sizeof value);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : -1;
}

int SetFrameFile(const char *dos_path)
{
    HKEY key;
    if (OpenParameters(&key) != 0)
        return -1;
    LONG result = RegSetValueExA(key, EZUSBSIM_VALUE_FRAME_FILE, 0, REG_SZ,
                                 reinterpret_cast<const BYTE *>(dos_path),
                                 static_cast<DWORD>(strlen(dos_path) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : -1;
}

int ClearKnobs()
{
    // The other cameras' knobs too, and the number of cameras: read only
    // when the driver starts.
    LONG result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, EZUSBSIM_PARAMETERS_KEY);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 0 : -1;
}

int StopCamera()
{
    return DriveService(SERVICE_STOPPED);
}

int StartCamera()
{
    return DriveService(SERVICE_RUNNING);
}

int ReadCameraCounters(int camera, EzusbsimCounters *counters)
{
    return ControlRequest(EZUSBSIM_IOCTL_GET_COUNTERS, counters, sizeof *counters,
                          static_cast<ULONG>(camera));
}

int ResetCameraCounters(int camera)
{
    return ControlRequest(EZUSBSIM_IOCTL_RESET_COUNTERS, NULL, 0, static_cast<ULONG>(camera));
}

int UnplugCamera(int camera)
{
    return ControlRequest(EZUSBSIM_IOCTL_UNPLUG, NULL, 0, static_cast<ULONG>(camera));
}

int PlugCamera(int camera)
{
    return ControlRequest(EZUSBSIM_IOCTL_PLUG, NULL, 0, static_cast<ULONG>(camera));
}

int RestartWithCameras(DWORD count)
{
    if (StopCamera() != 0 || SetKnob(EZUSBSIM_VALUE_CAMERAS, count) != 0)
        return -1;
    return StartCamera();
}

void DrawCapture(uint32_t *state, uint32_t *next_frame, DrawnCapture *capture)
{
    capture->fault = EzusbsimNextFault(state);
    capture->whole_frame = 0;
    capture->bytes = 0;
    capture->frame_number = *next_frame;
    switch (capture->fault.kind) {
    case EZUSBSIM_FAULT_NONE:
    case EZUSBSIM_FAULT_SLOW:
        capture->whole_frame = 1;
        capture->bytes = EZUSBSIM_FRAME_BYTES;
        break;
    case EZUSBSIM_FAULT_SHORT_READ:
    case EZUSBSIM_FAULT_BROKEN_OFF:
        capture->bytes = capture->fault.amount;
        break;
    default:
        break;
    }
    if (capture->bytes > 0)
        ++*next_frame;
}

Bytes CameraFrame(uint32_t n, uint32_t camera)
{
    Bytes frame(EZUSBSIM_FRAME_BYTES);
    EzusbsimCameraPicture(frame.data(), camera, n);
    return frame;
}
