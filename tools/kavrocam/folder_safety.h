// Whether a standard user could replace a DLL: programs of every user,
// elevated ones among them, load a DLL installed for all users, so its
// file, its folder and every folder above must be changeable only by
// administrators (SYSTEM, Administrators, TrustedInstaller), who must also
// own them.
#ifndef PUKAVRO_FOLDER_SAFETY_H
#define PUKAVRO_FOLDER_SAFETY_H

#include <windows.h>

#include <string>

enum PlaceSafety { PLACE_SAFE, PLACE_OPEN, PLACE_UNREADABLE };

// What is asked of each object on the way: the DLL must not be written or
// replaced, its folder take no new file and lose none, and no folder
// above be renamed away or given new rights.
enum PlaceRole { ROLE_DLL, ROLE_FOLDER, ROLE_ABOVE };

// One object's security descriptor; *who gets the SID (S-1-...) that may
// change it when PLACE_OPEN.
PlaceSafety CheckDescriptor(PSECURITY_DESCRIPTOR descriptor, PlaceRole role, std::string *who);
// The same from the descriptor's SDDL text (PLACE_UNREADABLE when it is not SDDL).
PlaceSafety CheckDescriptorText(const wchar_t *sddl, PlaceRole role, std::string *who);

struct PlaceFinding {
    PlaceSafety safety;
    std::string where;  // the file or folder (UTF-8) that fails
    std::string who;    // PLACE_OPEN: who may change it, as an account name where one is known
};
// The DLL at its full path, then its folder, then each folder up to the root.
PlaceFinding CheckDllPlace(const std::wstring &dll);

#endif
