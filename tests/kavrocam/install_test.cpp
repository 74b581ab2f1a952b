// kavrocam.exe and regsvr32 as an administrator and a user run them, under
// Wine: what they write to the registry and take away again (compared key
// by key and value by value), what Windows' own device enumerator then
// lists, the refusal of a DLL that standard users could replace, and the
// checks behind that refusal, on the descriptors Windows folders carry.
#include <windows.h>

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>
#include <sddl.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "filter_data.h"
#include "filter_ids.h"
#include "folder_safety.h"
#include "hang_limit.h"
#include "installer.h"
#include "program_argument.h"
#include "registry_dump.h"
#include "registry_entries.h"
#include "run_program.h"
#include "utf8_names.h"

namespace {

std::string g_paths[2];  // kavrocam.exe, the DLL beside it

#ifdef _WIN64
const Bitness OWN = PROGRAMS_64;
const char OWN_DLL[] = "kavrocam64.dll";
#else
const Bitness OWN = PROGRAMS_32;
const char OWN_DLL[] = "kavrocam32.dll";
#endif
const char CATEGORY[] = "Software\\Classes\\CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}";

std::wstring Wide(const std::string &text)
{
    return WidenUtf8(text.c_str());
}

// Every place the installer may write, each view apart.
std::string MachineRegistry()
{
    std::string all;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        all += DumpRegistry(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", view);
    return all;
}
std::string UserRegistry()
{
    std::string all;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        all += DumpRegistry(HKEY_CURRENT_USER, L"Software\\Classes", view);
    return all;
}
std::string Registry()
{
    return MachineRegistry() + UserRegistry();
}

ProgramRun RunTool(const std::string &program, const std::string &arguments)
{
    ProgramRun run;
    std::wstring line = L"\"" + Wide(program) + L"\" " + Wide(arguments);
    EXPECT_EQ(0, RunProgram(line.c_str(), NULL, NULL, HANG_MS, &run)) << program;
    EXPECT_EQ(0, run.timed_out);
    return run;
}

std::string WithoutCr(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string Hex(const std::vector<BYTE> &bytes)
{
    std::string hex;
    char two[3];
    for (BYTE b : bytes) {
        snprintf(two, sizeof(two), "%02x", b);
        hex += two;
    }
    return hex;
}

// The installer and the DLL where the build put them. Wine keeps no
// owner or access list a program sets on a file (every file is the
// user's), so no folder here passes the check of an install for all users:
// those entries are written through the same code beneath that check.
class Installed : public SimulatedCamera {
protected:
    void SetUp() override
    {
        SimulatedCamera::SetUp();
        ASSERT_EQ(S_OK, CoInitializeEx(NULL, COINIT_MULTITHREADED));
        exe = g_paths[0];
        dll = g_paths[1];
        before_machine = MachineRegistry();
        before_user = UserRegistry();
        before = before_machine + before_user;
    }
    void TearDown() override
    {
        CoUninitialize();
        SimulatedCamera::TearDown();
    }
    // What install prints for the bitnesses this Windows has.
    void ExpectInstalled(const ProgramRun &run, Audience audience, const char *names)
    {
        const char *whom = audience == FOR_ALL_USERS ? "for all users" : "for this user";
        std::string out, err;
        for (Bitness bitness : SystemBitnesses(audience)) {
            if (bitness != OWN) {
                err += "kavrocam: no kavrocam32.dll beside kavrocam.exe: 32-bit programs will not "
                       "see the cameras\n";
                continue;
            }
            out += std::string("installed ") + whom + ", for " + (OWN == PROGRAMS_64 ? "64" : "32")
                   + "-bit programs: " + names + ", served by " + dll + "\n";
        }
        EXPECT_EQ(out, WithoutCr(run.out));
        EXPECT_EQ(err, WithoutCr(run.err));
        EXPECT_EQ(err.empty() ? 0u : 1u, run.exit_code);
    }
    std::string exe, dll, before, before_machine, before_user;
};

struct Listed {
    std::string name, device, clsid;
};

// What DirectShow programs see: the video input devices, as the system
// device enumerator lists them, that are ours.
std::vector<Listed> ListedCameras()
{
    std::vector<Listed> listed;
    ICreateDevEnum *devices = NULL;
    IEnumMoniker *monikers = NULL;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, NULL, CLSCTX_INPROC_SERVER,
                                IID_ICreateDevEnum, (void **)&devices)))
        return listed;
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK) {
        IMoniker *moniker;
        while (monikers->Next(1, &moniker, NULL) == S_OK) {
            IPropertyBag *bag;
            if (SUCCEEDED(moniker->BindToStorage(NULL, NULL, IID_IPropertyBag, (void **)&bag))) {
                Listed one;
                for (auto field : {std::make_pair(L"FriendlyName", &one.name),
                                   std::make_pair(L"DevicePath", &one.device),
                                   std::make_pair(L"CLSID", &one.clsid)}) {
                    VARIANT value;
                    VariantInit(&value);
                    if (SUCCEEDED(bag->Read(field.first, &value, NULL)) && value.vt == VT_BSTR)
                        *field.second = NarrowToUtf8(value.bstrVal);
                    VariantClear(&value);
                }
                if (one.clsid == NarrowToUtf8(KAVROCAM_CLSID_TEXT))
                    listed.push_back(one);
                bag->Release();
            }
            moniker->Release();
        }
        monikers->Release();
    }
    devices->Release();
    return listed;
}

TEST_F(Installed, ForAllUsersIsListedByDirectShowAndRegsvr32UninstallLeavesTheRegistryAsItWas)
{
    DWORD error;
    ASSERT_EQ(ENTRIES_DONE, WriteEntries(FOR_ALL_USERS, OWN, Wide(dll), 4, &error));
    std::vector<Listed> listed = ListedCameras();
    ASSERT_EQ(4u, listed.size());
    for (int n = 0; n < 4; n++) {
        EXPECT_EQ("pukavro camera " + std::to_string(n), listed[n].name);
        EXPECT_EQ("\\\\.\\ezusb-" + std::to_string(n), listed[n].device);
    }
    // A program binds an entry to its filter, as capture programs do to
    // list its formats: the camera hears nothing of it.
    IBindCtx *context;
    ASSERT_EQ(S_OK, CreateBindCtx(0, &context));
    IMoniker *moniker;
    ULONG eaten;
    std::wstring name = L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\pukavro camera 2";
    ASSERT_EQ(S_OK, MkParseDisplayName(context, name.c_str(), &eaten, &moniker));
    IBaseFilter *filter = NULL;
    EXPECT_EQ(S_OK, moniker->BindToObject(context, NULL, IID_IBaseFilter, (void **)&filter));
    if (filter)
        filter->Release();
    moniker->Release();
    context->Release();
    EzusbsimCounters counters;
    ASSERT_EQ(0, ReadCounters(&counters));
    EXPECT_EQ(0u, counters.opens + counters.vendor_requests + counters.bulk_reads);

    // list names the DLL and every entry, the rest "not installed".
    std::string block = std::string("for all users, for ") + (OWN == PROGRAMS_64 ? "64" : "32")
                        + "-bit programs: " + dll + "\n";
    for (int n = 0; n < 4; n++)
        block +=
            "  pukavro camera " + std::to_string(n) + "  \\\\.\\ezusb-" + std::to_string(n) + "\n";
    std::string list = WithoutCr(RunTool(exe, "list").out);
    size_t at = list.find(block);
    ASSERT_NE(std::string::npos, at) << list;
    std::string rest = list.substr(0, at) + list.substr(at + block.size()), line;
    std::istringstream others(rest);
    while (std::getline(others, line))
        EXPECT_EQ(line.size() - 15, line.find(": not installed")) << line;

    // regsvr32 /u takes away what regsvr32 or install put in its view.
    ProgramRun removed = RunTool("C:\\windows\\system32\\regsvr32.exe", "/u /s \"" + dll + "\"");
    EXPECT_EQ(0u, removed.exit_code);
    EXPECT_EQ(0u, ListedCameras().size());
    EXPECT_EQ(before, Registry());
}

// The per-user form, which only what it writes can show here (Wine's
// device enumerator reads HKLM alone): the keys named, under HKCU only.
TEST_F(Installed, ForOneUserWritesItsKeysUnderHkcuAlone)
{
    ExpectInstalled(RunTool(exe, "install --user --cameras 2"), FOR_THIS_USER,
                    "pukavro camera 0 and 1");
    EXPECT_EQ(before_machine, MachineRegistry());
    std::string after = UserRegistry();
    std::string classes = "Software\\Classes", clsid = classes + "\\CLSID";
    std::string ours = clsid + "\\" + NarrowToUtf8(KAVROCAM_CLSID_TEXT);
    std::string instances = std::string(CATEGORY) + "\\Instance";
    std::string made;
    for (const std::string &parent : {classes, clsid, std::string(CATEGORY), instances})
        if (before_user.find(parent + "\n") == std::string::npos)
            made += parent + "|";
    // In the dump's order: the parents install made, each where it falls
    // ("{729E..." before "{860B..."), and our keys.
    auto made_line = [&](const std::string &parent) {
        return made.find(parent + "|") != std::string::npos ? parent + "\n" : std::string();
    };
    std::string expected =
        made_line(classes) + made_line(clsid) + ours + "\n" + ours + "  @=sz:pukavro camera\n";
    if (!made.empty())
        expected += ours + "  MadeParentKeys=multi:" + made + "|\n";
    expected += ours + "\\InprocServer32\n" + ours + "\\InprocServer32  @=sz:" + dll + "\n" + ours
                + "\\InprocServer32  ThreadingModel=sz:Both\n" + made_line(CATEGORY)
                + made_line(instances);
    for (int n = 0; n < 2; n++) {
        std::string entry = instances + "\\pukavro camera " + std::to_string(n);
        expected += entry + "\n" + entry + "  CLSID=sz:" + NarrowToUtf8(KAVROCAM_CLSID_TEXT) + "\n"
                    + entry + "  DevicePath=sz:\\\\.\\ezusb-" + std::to_string(n) + "\n" + entry
                    + "  FilterData=type3:" + Hex(KavrocamFilterData()) + "\n" + entry
                    + "  FriendlyName=sz:pukavro camera " + std::to_string(n) + "\n";
    }
    std::string views;
    for (Bitness bitness : SystemBitnesses(FOR_THIS_USER))
        views += bitness == OWN ? expected : "";
    EXPECT_EQ(views, AddedLines(before_user, after));

    ProgramRun removed = RunTool(exe, "uninstall --user");
    EXPECT_EQ(0u, removed.exit_code) << removed.err;
    EXPECT_EQ(before, Registry());
}

// Under Wine every folder belongs to the user who runs it, as Downloads
// does on Windows: both ways of installing for all users refuse.
TEST(Refused, ADllStandardUsersCouldReplace)
{
    std::string before = Registry();
    ProgramRun run = RunTool(g_paths[0], "install");
    EXPECT_EQ(1u, run.exit_code);
    std::string err = WithoutCr(run.err);
    EXPECT_EQ(0u, err.find("kavrocam: refused for all users: ")) << err;
    EXPECT_NE(std::string::npos,
              err.find(" may change " + g_paths[1]
                       + "; copy kavrocam's files into a folder only administrators can change,"
                         " such as one under C:\\Program Files\n"))
        << err;
    EXPECT_EQ("", WithoutCr(run.out));

    HMODULE library = LoadLibraryW(Wide(g_paths[1]).c_str());
    ASSERT_TRUE(library != NULL);
    typedef HRESULT(WINAPI * Register)();
    Register registers = (Register)(void *)GetProcAddress(library, "DllRegisterServer");
    ASSERT_TRUE(registers != NULL);
    EXPECT_EQ(TRUST_E_SUBJECT_NOT_TRUSTED, registers());
    FreeLibrary(library);
    run = RunTool("C:\\windows\\system32\\regsvr32.exe", "/s \"" + g_paths[1] + "\"");
    EXPECT_NE(0u, run.exit_code);
    EXPECT_EQ(before, Registry());
}

// Descriptors as Windows folders carry them (C:\, Program Files, a user's
// own folder), and the ways a standard user could get in.
TEST(PlaceSafety, Descriptors)
{
    const std::string ti = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    const struct {
        std::string sddl;
        PlaceRole role;
        PlaceSafety safety;
        const char *who;
    } cases[] = {
        {"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)", ROLE_FOLDER, PLACE_SAFE, ""},
        {"O:" + ti + "D:P(A;;FA;;;" + ti + ")(A;CIIO;GA;;;" + ti
             + ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
               "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)",
         ROLE_FOLDER, PLACE_SAFE, ""},
        // C:\: users may make folders there, and own what they make.
        {"O:" + ti
             + "D:(A;;FA;;;BA)(A;OICIIO;GA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)(A;;0x4;;;AU)"
               "(A;OICIIO;SDGXGWGR;;;AU)",
         ROLE_ABOVE, PLACE_SAFE, ""},
        {"O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;S-1-5-21-1-2-3-1001)",
         ROLE_FOLDER, PLACE_OPEN, "S-1-5-21-1-2-3-1001"},
        {"O:BAD:(A;;FA;;;BA)(A;;0x1200ab;;;BU)", ROLE_FOLDER, PLACE_OPEN, "S-1-5-32-545"},
        {"O:BAD:(A;;FA;;;BA)(A;;0x1200ab;;;BU)", ROLE_ABOVE, PLACE_SAFE, ""},
        {"O:BAD:(A;;FA;;;BA)(A;;SD;;;AU)", ROLE_ABOVE, PLACE_OPEN, "S-1-5-11"},
        {"O:BAD:(A;;FA;;;BA)(A;;FW;;;WD)", ROLE_DLL, PLACE_OPEN, "S-1-1-0"},
        {"O:BAD:(A;;FA;;;BA)(A;;0x1200a9;;;WD)(A;;0x100;;;WD)", ROLE_DLL, PLACE_SAFE, ""},
        {"O:BAD:(D;;FA;;;BU)(A;;FA;;;BU)", ROLE_DLL, PLACE_OPEN, "S-1-5-32-545"},
        {"O:BUD:(A;;FA;;;BA)", ROLE_DLL, PLACE_OPEN, "S-1-5-32-545"},
        {"O:BAD:(A;;FA;;;BA)(A;;FA;;;CO)", ROLE_FOLDER, PLACE_SAFE, ""},
        {"not a descriptor", ROLE_DLL, PLACE_UNREADABLE, ""},
    };
    for (const auto &c : cases) {
        std::string who;
        EXPECT_EQ(c.safety, CheckDescriptorText(Wide(c.sddl).c_str(), c.role, &who)) << c.sddl;
        EXPECT_EQ(c.who, who) << c.sddl;
    }
    // No access list at all (a FAT drive's): anyone may do anything.
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    PSID administrators;
    ASSERT_TRUE(ConvertStringSidToSidW(L"BA", &administrators));
    SetSecurityDescriptorOwner(&open, administrators, FALSE);
    SetSecurityDescriptorDacl(&open, TRUE, NULL, FALSE);
    std::string who;
    EXPECT_EQ(PLACE_OPEN, CheckDescriptor(&open, ROLE_DLL, &who));
    EXPECT_EQ("S-1-1-0", who);
    LocalFree(administrators);
}

// The entries' FilterData, byte for byte as DirectShow's own filter mapper
// writes the same description.
TEST(FilterData, IsWhatTheFilterMapperWrites)
{
    ASSERT_EQ(S_OK, CoInitializeEx(NULL, COINIT_MULTITHREADED));
    IFilterMapper2 *mapper = NULL;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterMapper2, NULL, CLSCTX_INPROC_SERVER,
                                     IID_IFilterMapper2, (void **)&mapper));
    static const GUID SUBTYPE_I420 = {
        0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    REGPINTYPES types[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
                           {&MEDIATYPE_Video, &MEDIASUBTYPE_UYVY},
                           {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2},
                           {&MEDIATYPE_Video, &SUBTYPE_I420},
                           {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}};
    REGFILTERPINS2 pin = {};
    pin.dwFlags = REG_PINFLAG_B_OUTPUT;
    pin.cInstances = 1;
    pin.nMediaTypes = 5;
    pin.lpMediaType = types;
    pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
    REGFILTER2 filter = {};
    filter.dwVersion = 2;
    filter.dwMerit = MERIT_DO_NOT_USE;
    filter.cPins2 = 1;
    filter.rgPins2 = &pin;
    ASSERT_EQ(S_OK, mapper->RegisterFilter(CLSID_KavrocamSource, L"kavrocam reference", NULL,
                                           &CLSID_VideoInputDeviceCategory, L"kavrocam reference",
                                           &filter));
    HKEY key;
    std::string path = std::string(CATEGORY) + "\\Instance\\kavrocam reference";
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, KEY_READ, &key));
    std::vector<BYTE> written(4096);
    DWORD size = (DWORD)written.size();
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(key, L"FilterData", NULL, NULL, written.data(), &size));
    written.resize(size);
    RegCloseKey(key);
    mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, L"kavrocam reference",
                             CLSID_KavrocamSource);
    mapper->Release();
    EXPECT_EQ(Hex(written), Hex(KavrocamFilterData()));
    CoUninitialize();
}

TEST(Installer, RefusesWrongCommandLines)
{
    const struct {
        std::vector<std::string> args;
        const char *problem;
    } cases[] = {
        {{}, "say install, uninstall or list"},
        {{"frobnicate"}, "unknown command frobnicate"},
        {{"install", "--all"}, "unknown option --all"},
        {{"install", "--cameras"}, "--cameras needs a number"},
        {{"install", "--cameras", "0"}, "--cameras takes 1 to 10, not 0"},
        {{"install", "--cameras", "11"}, "--cameras takes 1 to 10, not 11"},
        {{"uninstall", "--cameras", "2"}, "--cameras goes with install"},
        {{"list", "--user"}, "list shows every installation; it takes no --user"},
        {{"install", "list"}, "unknown command list"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"kavrocam"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        FILE *out = tmpfile(), *err = tmpfile();
        EXPECT_EQ(EXIT_USAGE, RunInstaller(args, L"C:\\nowhere", out, err));
        std::string text(512, '\0');
        rewind(err);
        text.resize(fread(&text[0], 1, text.size(), err));
        EXPECT_EQ(std::string("kavrocam: ") + c.problem
                      + "\nusage: kavrocam install [--user] [--cameras N] | uninstall [--user] | "
                        "list   (kavrocam --help tells more)\n",
                  WithoutCr(text));
        EXPECT_EQ(0L, ftell(out));
        fclose(out);
        fclose(err);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (ProgramArguments("KAVROCAM.EXE KAVROCAM.DLL", 2, g_paths) != 0)
        return 2;
    return RUN_ALL_TESTS();
}
