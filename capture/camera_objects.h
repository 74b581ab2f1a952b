// The named objects that every program of ours on one camera shares, and
// their names. A camera is named by its device path, lower-cased, so that
// "-d 2" and \\.\EZUSB-2 are one camera; the names hold no backslash, which
// a kernel object's name may not contain past its namespace. Only the
// current user may open them: an object of such a name that another user
// made, or that is not one of ours, means the camera is someone else's.
#ifndef PUKAVRO_CAMERA_OBJECTS_H
#define PUKAVRO_CAMERA_OBJECTS_H

#include <windows.h>
#include <stdint.h>

#include <string>

// The protocol between our programs on one camera: changed whenever the
// shared layout or the objects' use changes, so that an older program and a
// newer one never read each other's objects.
#define CAMERA_PROTOCOL L"v1"

// "pukavro-v1-<the user's SID>-<hex of the lower-cased path's UTF-8>", or
// empty when the user's SID could not be had.
std::wstring CameraObjectBase(const char *device);

enum SharedObject {
    SHARED_OBJECT_OURS,     // made now, or made before by this user
    SHARED_OBJECT_FOREIGN,  // another user's, or of another kind: not to be used
    SHARED_OBJECT_FAILED,   // could not be made (out of resources)
};

// The camera's taker role: Global\ so that every session of the user sees
// it. Not owned on return.
SharedObject CreateCameraMutex(const std::wstring &base, HANDLE *mutex);
// A Local\ mutex, for what one session's programs change together.
SharedObject CreateCameraGuard(const std::wstring &base, const wchar_t *suffix, HANDLE *mutex);
// A Local\ mapping of bytes, zero-filled when made; *made tells which.
SharedObject CreateCameraMapping(const std::wstring &base, const wchar_t *suffix, uint32_t bytes,
                                 HANDLE *mapping, bool *made);
// A Local\ auto-reset event.
SharedObject CreateCameraEvent(const std::wstring &base, const std::wstring &suffix, HANDLE *event);
// Opens the Local\ mapping only if it is there (for a listing, which makes
// nothing). NULL when there is none or it is not ours.
HANDLE OpenCameraMapping(const std::wstring &base, const wchar_t *suffix);

#endif
