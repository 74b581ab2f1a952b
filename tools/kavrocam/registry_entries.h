// kavrocam's keys in the registry: the class (its DLL for one bitness) and
// one video input device entry per camera, written by us key by key so
// that both registry views and every value stay under our control. For all
// users under HKLM\Software\Classes, for one user under HKCU's, which
// Windows merges into what that user's programs read.
#ifndef PUKAVRO_REGISTRY_ENTRIES_H
#define PUKAVRO_REGISTRY_ENTRIES_H

#include <windows.h>

#include <string>
#include <vector>

enum Audience { FOR_ALL_USERS, FOR_THIS_USER };
// Which programs see the entries: each bitness reads its own registry view.
enum Bitness { PROGRAMS_64, PROGRAMS_32 };

// The registry views of audience's classes this Windows keeps apart: both
// bitnesses on a 64-bit Windows, 32 only on a 32-bit one. Where the two
// views are one key (a 32-bit Windows; Wine's HKCU), writing "both" would
// have the second DLL replace the first, so there is one, the system's own.
// Asked again after each view is written: the class key it compares may
// exist only from then on.
std::vector<Bitness> SystemBitnesses(Audience audience);

enum EntriesResult { ENTRIES_DONE, ENTRIES_DENIED, ENTRIES_FAILED };

// Replaces whatever of ours is there with entries for cameras 0 to
// cameras - 1, served by dll. On failure nothing of ours is left there;
// *error gets the system's code.
EntriesResult WriteEntries(Audience audience, Bitness bitness, const std::wstring &dll, int cameras,
                           DWORD *error);
// Removes every key of ours there, and the parent keys our install had to
// make, when they hold nothing else; ENTRIES_DONE also when nothing was there.
// *removed tells whether anything was.
EntriesResult RemoveEntries(Audience audience, Bitness bitness, bool *removed, DWORD *error);

struct CameraEntry {
    std::wstring name, device;
};
struct InstalledEntries {
    bool installed = false;  // the class is registered there
    std::wstring dll;
    std::vector<CameraEntry> cameras;
};
InstalledEntries ReadEntries(Audience audience, Bitness bitness);

#endif
