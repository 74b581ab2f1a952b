// The registry entries through which DirectShow programs find the camera
// filter, for tests that drive it from programs of others (ffmpeg): the
// class with its DLL, and one video input device entry per camera, named
// "pukavro camera N", whose DevicePath says the camera. Written in
// HKLM\Software\Classes of this process's own registry view, as the
// installer writes them, until the tests use the installer itself.
#ifndef PUKAVRO_TESTS_KAVROCAM_ENTRIES_H
#define PUKAVRO_TESTS_KAVROCAM_ENTRIES_H

#include <string>

// dll_path is a Windows path (UTF-8). 0, or -1 when any entry could not be
// written.
int WriteKavrocamEntries(const std::string &dll_path, int cameras);
// Removes the class and every "pukavro camera" device entry. 0 or -1.
int RemoveKavrocamEntries();

#endif
