#include "camera_choice.h"

#include <string.h>

#include "ezusb_device.h"

std::string EzusbDevicePath(int number)
{
    // The path's prefix is camera 0's without its digit.
    std::string path = EZUSB_DEVICE_PATH;
    path.back() = static_cast<char>('0' + number);
    return path;
}

DeviceChoice ChooseDevice(const char *text, std::string *device)
{
    const size_t prefix = strlen(DEVICE_PATH_PREFIX);
    if (strncmp(text, DEVICE_PATH_PREFIX, prefix) == 0 && text[prefix] != '\0') {
        *device = text;
        return DEVICE_CHOSEN;
    }
    if (text[0] < '0' || text[0] > '9' || text[1] != '\0')
        return DEVICE_REFUSED;
    *device = EzusbDevicePath(text[0] - '0');
    return DEVICE_CHOSEN;
}

std::vector<int> ListCameras(const CameraSeam &seam)
{
    std::vector<int> present;
    for (int number = 0; number < EZUSB_CAMERA_NUMBERS; ++number)
        if (seam.probe(EzusbDevicePath(number).c_str()) == CAMERA_PRESENT)
            present.push_back(number);
    return present;
}
