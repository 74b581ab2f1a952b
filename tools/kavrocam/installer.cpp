#include "installer.h"

#include <windows.h>

#include <string.h>

#include "console.h"
#include "filter_ids.h"
#include "folder_safety.h"
#include "pukavro_version.h"
#include "registry_entries.h"
#include "report.h"
#include "system_error.h"
#include "utf8_names.h"

namespace {

const char USAGE[] = "usage: kavrocam install [--user] [--cameras N] | uninstall [--user] | list"
                     "   (kavrocam --help tells more)";

enum Command { COMMAND_NONE, COMMAND_INSTALL, COMMAND_UNINSTALL, COMMAND_LIST };

struct Request {
    Command command = COMMAND_NONE;
    Audience audience = FOR_ALL_USERS;
    int cameras = KAVROCAM_DEFAULT_CAMERAS;
    bool help = false, version = false;
};

bool Refuse(FILE *err, const std::string &problem)
{
    Report(err, KAVROCAM_NAME, problem);
    PrintLine(err, USAGE);
    return false;
}

bool ParseRequest(const std::vector<std::string> &args, Request *request, FILE *err)
{
    bool cameras_given = false;
    for (size_t i = 1; i < args.size(); i++) {
        const std::string &a = args[i];
        if (a == "-h" || a == "--help" || a == "/?") {
            request->help = true;
        } else if (a == "--version") {
            request->version = true;
        } else if (a == "--user") {
            request->audience = FOR_THIS_USER;
        } else if (a == "--cameras") {
            if (i + 1 == args.size())
                return Refuse(err, "--cameras needs a number");
            const std::string &n = args[++i];
            if (n.size() < 1 || n.size() > 2 || strspn(n.c_str(), "0123456789") != n.size()
                || atoi(n.c_str()) < 1 || atoi(n.c_str()) > 10)
                return Refuse(err, "--cameras takes 1 to 10, not " + n);
            request->cameras = atoi(n.c_str());
            cameras_given = true;
        } else if (request->command == COMMAND_NONE
                   && (a == "install" || a == "uninstall" || a == "list")) {
            request->command = a == "install"     ? COMMAND_INSTALL
                               : a == "uninstall" ? COMMAND_UNINSTALL
                                                  : COMMAND_LIST;
        } else if (!a.empty() && a[0] == '-') {
            return Refuse(err, "unknown option " + a);
        } else {
            return Refuse(err, "unknown command " + a);
        }
    }
    if (request->help || request->version)
        return true;
    if (request->command == COMMAND_NONE)
        return Refuse(err, "say install, uninstall or list");
    if (cameras_given && request->command != COMMAND_INSTALL)
        return Refuse(err, "--cameras goes with install");
    if (request->audience == FOR_THIS_USER && request->command == COMMAND_LIST)
        return Refuse(err, "list shows every installation; it takes no --user");
    return true;
}

const char *WhomText(Audience audience)
{
    return audience == FOR_ALL_USERS ? "for all users" : "for this user";
}

const char *ProgramsText(Bitness bitness)
{
    return bitness == PROGRAMS_64 ? "for 64-bit programs" : "for 32-bit programs";
}

std::string Where(Audience audience, Bitness bitness)
{
    return std::string(WhomText(audience)) + ", " + ProgramsText(bitness);
}

std::wstring DllName(Bitness bitness)
{
    return bitness == PROGRAMS_64 ? KAVROCAM_DLL64_NAME : KAVROCAM_DLL32_NAME;
}

std::string Narrow(const std::wstring &text)
{
    return NarrowToUtf8(text.c_str());
}

const char ADMIN_NEEDED[] = "installing for all users needs an administrator: run kavrocam from an "
                            "elevated command prompt, or use --user";

void ReportRegistry(FILE *err, EntriesResult result, DWORD error)
{
    Report(err, KAVROCAM_NAME,
           result == ENTRIES_DENIED ? std::string(ADMIN_NEEDED)
                                    : "cannot change the registry: " + WindowsErrorText(error));
}

bool InstallOne(const Request &request, Bitness bitness, const std::wstring &folder, FILE *out,
                FILE *err)
{
    std::wstring dll = folder + L"\\" + DllName(bitness);
    DWORD attributes = GetFileAttributesW(dll.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Report(err, KAVROCAM_NAME,
               "no " + Narrow(DllName(bitness))
                   + " beside kavrocam.exe: " + (bitness == PROGRAMS_64 ? "64" : "32")
                   + "-bit programs will not see the cameras");
        return false;
    }
    if (request.audience == FOR_ALL_USERS) {
        PlaceFinding finding = CheckDllPlace(dll);
        if (finding.safety == PLACE_OPEN) {
            Report(err, KAVROCAM_NAME,
                   "refused for all users: " + finding.who + " may change " + finding.where
                       + "; copy kavrocam's files into a folder only administrators can change,"
                         " such as one under C:\\Program Files");
            return false;
        }
        if (finding.safety == PLACE_UNREADABLE) {
            Report(err, KAVROCAM_NAME,
                   "refused for all users: cannot tell who may change " + finding.where);
            return false;
        }
    }
    DWORD error = 0;
    EntriesResult result = WriteEntries(request.audience, bitness, dll, request.cameras, &error);
    if (result != ENTRIES_DONE) {
        ReportRegistry(err, result, error);
        return false;
    }
    std::string names = "pukavro camera 0";
    if (request.cameras > 1)
        names += (request.cameras == 2 ? " and " : " to ") + std::to_string(request.cameras - 1);
    PrintLine(out, "installed " + Where(request.audience, bitness) + ": " + names + ", served by "
                       + Narrow(dll));
    return true;
}

bool UninstallOne(const Request &request, Bitness bitness, FILE *out, FILE *err)
{
    bool removed;
    DWORD error = 0;
    EntriesResult result = RemoveEntries(request.audience, bitness, &removed, &error);
    if (result != ENTRIES_DONE) {
        if (result == ENTRIES_DENIED)
            Report(err, KAVROCAM_NAME,
                   "uninstalling for all users needs an administrator: run kavrocam from an "
                   "elevated command prompt");
        else
            ReportRegistry(err, result, error);
        return false;
    }
    PrintLine(out,
              (removed ? "removed " : "nothing was installed ") + Where(request.audience, bitness));
    return true;
}

void ListOne(Audience audience, Bitness bitness, FILE *out)
{
    InstalledEntries entries = ReadEntries(audience, bitness);
    std::string line = Where(audience, bitness) + ": ";
    if (!entries.installed && entries.cameras.empty()) {
        PrintLine(out, line + "not installed");
        return;
    }
    if (!entries.installed)
        line += "entries without their class";
    else if (GetFileAttributesW(entries.dll.c_str()) == INVALID_FILE_ATTRIBUTES)
        line += Narrow(entries.dll) + " (missing)";
    else
        line += Narrow(entries.dll);
    PrintLine(out, line);
    for (const CameraEntry &camera : entries.cameras)
        PrintLine(out, "  " + Narrow(camera.name) + "  " + Narrow(camera.device));
}

bool HasBitness(const std::vector<Bitness> &bitnesses, Bitness bitness)
{
    for (Bitness b : bitnesses)
        if (b == bitness)
            return true;
    return false;
}

}  // namespace

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(NULL, &path[0], (DWORD)path.size());
        if (length == 0)
            return L".";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

ExitStatus RunInstaller(const std::vector<std::string> &args, const std::wstring &folder, FILE *out,
                        FILE *err)
{
    Request request;
    if (!ParseRequest(args, &request, err))
        return EXIT_USAGE;
    if (request.help) {
        PrintUtf8(out, KAVROCAM_HELP);
        return EXIT_ALL_DONE;
    }
    if (request.version) {
        PrintLine(out, std::string(KAVROCAM_NAME " ") + PUKAVRO_VERSION_TEXT);
        return EXIT_ALL_DONE;
    }
    bool all_done = true;
    for (Bitness bitness : {PROGRAMS_64, PROGRAMS_32}) {
        if (!HasBitness(SystemBitnesses(request.audience), bitness))
            continue;
        if (request.command == COMMAND_INSTALL)
            all_done &= InstallOne(request, bitness, folder, out, err);
        else if (request.command == COMMAND_UNINSTALL)
            all_done &= UninstallOne(request, bitness, out, err);
    }
    if (request.command == COMMAND_LIST) {
        for (Audience audience : {FOR_ALL_USERS, FOR_THIS_USER})
            for (Bitness bitness : SystemBitnesses(audience))
                ListOne(audience, bitness, out);
    }
    return all_done ? EXIT_ALL_DONE : EXIT_SOME_FAILED;
}
