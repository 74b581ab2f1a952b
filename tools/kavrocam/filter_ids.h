// Who kavrocam is to COM and DirectShow: one class for both halves (the
// 32-bit and the 64-bit DLL), which each bitness's registry view points at
// its own DLL, and the names its entries carry.
#ifndef PUKAVRO_FILTER_IDS_H
#define PUKAVRO_FILTER_IDS_H

#include <windows.h>

// {729EE6F8-5B5F-4D9F-A7CD-33BF2C6ECF3E}
static const GUID CLSID_KavrocamSource = {
    0x729ee6f8, 0x5b5f, 0x4d9f, {0xa7, 0xcd, 0x33, 0xbf, 0x2c, 0x6e, 0xcf, 0x3e}};
#define KAVROCAM_CLSID_TEXT L"{729EE6F8-5B5F-4D9F-A7CD-33BF2C6ECF3E}"

// The class's own name, and each camera's entry: "pukavro camera 0", ...
#define KAVROCAM_CLASS_NAME L"pukavro camera"
#define KAVROCAM_ENTRY_PREFIX L"pukavro camera "

// Entries made when the installer is not told how many: cameras 0 to 3.
enum { KAVROCAM_DEFAULT_CAMERAS = 4 };

// The DLL of each bitness, beside kavrocam.exe.
#define KAVROCAM_DLL32_NAME L"kavrocam32.dll"
#define KAVROCAM_DLL64_NAME L"kavrocam64.dll"

#endif
