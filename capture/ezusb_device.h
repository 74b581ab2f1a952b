// The camera's device as the EZ-USB general-purpose driver names the first
// camera plugged in: the window always uses it, the tools by default.
// Platform-free, so the tools' options and help text take it from here;
// the other cameras' paths come from EzusbDevicePath (camera_choice.h).
#ifndef PUKAVRO_EZUSB_DEVICE_H
#define PUKAVRO_EZUSB_DEVICE_H

#define EZUSB_DEVICE_PATH "\\\\.\\ezusb-0"

#endif
