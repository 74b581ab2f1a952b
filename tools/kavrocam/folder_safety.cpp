#include "folder_safety.h"

#include <aclapi.h>
#include <sddl.h>

#include "utf8_names.h"

namespace {

// Rights that let their holder change what the DLL is.
const ACCESS_MASK REPLACE_ANY = WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_ALL;
const ACCESS_MASK REPLACE_DLL = REPLACE_ANY | FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE;
// A new file beside the DLL (a planted dependency), or one taken away.
const ACCESS_MASK REPLACE_IN_FOLDER =
    REPLACE_ANY | FILE_ADD_FILE | FILE_DELETE_CHILD | GENERIC_WRITE;
const ACCESS_MASK REPLACE_BELOW = REPLACE_ANY | FILE_DELETE_CHILD;

ACCESS_MASK DangerousRights(PlaceRole role)
{
    switch (role) {
    case ROLE_DLL:
        return REPLACE_DLL;
    case ROLE_FOLDER:
        return REPLACE_IN_FOLDER;
    case ROLE_ABOVE:
    default:
        return REPLACE_BELOW;
    }
}

bool IsTrusted(PSID sid)
{
    static const wchar_t *const trusted[] = {
        L"S-1-5-18",                                                        // SYSTEM
        L"S-1-5-32-544",                                                    // Administrators
        L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
    };
    for (const wchar_t *text : trusted) {
        PSID known;
        if (!ConvertStringSidToSidW(text, &known))
            continue;
        bool same = EqualSid(sid, known);
        LocalFree(known);
        if (same)
            return true;
    }
    return false;
}

// An ACE that stands for someone else, never for itself: CREATOR OWNER and
// CREATOR GROUP are replaced when inherited; OWNER RIGHTS is the owner,
// checked on its own.
bool IsPlaceholder(PSID sid)
{
    SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
    return memcmp(GetSidIdentifierAuthority(sid), &creator, sizeof(creator)) == 0;
}

std::string SidText(PSID sid)
{
    wchar_t *text;
    if (!ConvertSidToStringSidW(sid, &text))
        return "an unknown account";
    std::string result = NarrowToUtf8(text);
    LocalFree(text);
    return result;
}

}  // namespace

PlaceSafety CheckDescriptor(PSECURITY_DESCRIPTOR descriptor, PlaceRole role, std::string *who)
{
    PSID owner;
    BOOL defaulted, present;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner)
        return PLACE_UNREADABLE;
    if (!IsTrusted(owner)) {
        *who = SidText(owner);
        return PLACE_OPEN;
    }
    PACL dacl;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return PLACE_UNREADABLE;
    if (!present || !dacl) {  // no list at all: everyone may do anything
        *who = "S-1-1-0";
        return PLACE_OPEN;
    }
    ACCESS_MASK dangerous = DangerousRights(role);
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        ACE_HEADER *header;
        if (!GetAce(dacl, i, (void **)&header))
            return PLACE_UNREADABLE;
        // Deny entries are not weighed: a folder is open if anyone else is
        // allowed in, whatever is denied to some.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        ACCESS_ALLOWED_ACE *ace = (ACCESS_ALLOWED_ACE *)header;
        PSID sid = (PSID)&ace->SidStart;
        if ((ace->Mask & dangerous) && !IsTrusted(sid) && !IsPlaceholder(sid)) {
            *who = SidText(sid);
            return PLACE_OPEN;
        }
    }
    return PLACE_SAFE;
}

PlaceSafety CheckDescriptorText(const wchar_t *sddl, PlaceRole role, std::string *who)
{
    PSECURITY_DESCRIPTOR descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              NULL))
        return PLACE_UNREADABLE;
    PlaceSafety safety = CheckDescriptor(descriptor, role, who);
    LocalFree(descriptor);
    return safety;
}

PlaceFinding CheckDllPlace(const std::wstring &dll)
{
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(dll.c_str(), MAX_PATH * 4, full, NULL);
    if (length == 0 || length >= MAX_PATH * 4)
        return {PLACE_UNREADABLE, NarrowToUtf8(dll.c_str()), ""};
    std::wstring path = full;
    PlaceRole role = ROLE_DLL;
    for (;;) {
        PSECURITY_DESCRIPTOR descriptor;
        DWORD status = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                             NULL, NULL, NULL, NULL, &descriptor);
        if (status != ERROR_SUCCESS)
            return {PLACE_UNREADABLE, NarrowToUtf8(path.c_str()), ""};
        std::string who;
        PlaceSafety safety = CheckDescriptor(descriptor, role, &who);
        LocalFree(descriptor);
        if (safety != PLACE_SAFE) {
            // The account's name where Windows knows it, else its SID.
            PSID sid;
            if (ConvertStringSidToSidA(who.c_str(), &sid)) {
                wchar_t name[256], domain[256];
                DWORD name_length = 256, domain_length = 256;
                SID_NAME_USE use;
                if (LookupAccountSidW(NULL, sid, name, &name_length, domain, &domain_length, &use))
                    who = NarrowToUtf8(
                        (domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name))
                            .c_str());
                LocalFree(sid);
            }
            return {safety, NarrowToUtf8(path.c_str()), who};
        }
        // Up one: "C:\a\b.dll" -> "C:\a" -> "C:\"; a root ends it.
        size_t slash = path.find_last_of(L"\\/");
        if (slash == std::wstring::npos || path.size() <= 3)
            break;
        std::wstring parent = path.substr(0, slash);
        if (parent.size() == 2 && parent[1] == L':')
            parent += L'\\';
        if (parent == path)
            break;
        path = parent;
        role = role == ROLE_DLL ? ROLE_FOLDER : ROLE_ABOVE;
    }
    return {PLACE_SAFE, "", ""};
}
