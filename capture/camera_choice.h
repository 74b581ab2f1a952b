// Which camera: the EZ-USB general-purpose driver names its devices
// \\.\ezusb-0, \\.\ezusb-1, ... in the order they were plugged in, and a
// tool takes either that number or a path. Platform-free.
#ifndef PUKAVRO_CAMERA_CHOICE_H
#define PUKAVRO_CAMERA_CHOICE_H

#include <string>
#include <vector>

#include "camera.h"

// The numbers a tool takes and a listing tries: 0 to EZUSB_CAMERA_NUMBERS - 1.
enum { EZUSB_CAMERA_NUMBERS = 10 };

// The device of camera number (0-9), as EZUSB_DEVICE_PATH is camera 0's.
std::string EzusbDevicePath(int number);

// How every device path starts, in the Win32 device namespace.
#define DEVICE_PATH_PREFIX "\\\\.\\"

enum DeviceChoice { DEVICE_CHOSEN, DEVICE_REFUSED };

// What a tool's -d names: one digit is a camera number, a text that starts
// with DEVICE_PATH_PREFIX and goes on is a device path; anything else is
// refused, so that a slip ("-d foo") is a usage error, not a missing camera.
DeviceChoice ChooseDevice(const char *text, std::string *device);

// The numbers of the cameras present, in order: every number is tried (a
// gap does not end the listing), each device only opened and closed again.
std::vector<int> ListCameras(const CameraSeam &seam);

#endif
