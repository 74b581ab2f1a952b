// What Windows reads before the program runs: the version information that
// Explorer shows and the manifest that sets the process's run level.
#include "expected.h"
#include "resource_reader.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

// The manifest's supportedOS ids: Vista, 7, 8, 8.1, 10 and 11.
const GUID SUPPORTED_OS[5] = {
    {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}},
    {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},
    {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},
    {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},
    {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},
};

std::string VersionString(std::vector<char> *block, const char *name)
{
    std::string path = std::string("\\StringFileInfo\\041104B0\\") + name;
    char *value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(block->data(), path.c_str(), reinterpret_cast<void **>(&value), &length)
        || value == NULL) {
        return "(missing)";
    }
    return std::string(value);
}

}  // namespace

TEST(Version, FileDescriptionAndVersionOne)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(ModulePath(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(ModulePath(), 0, size, block.data()));

    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(EXPECTED_VERSION_MS, fixed->dwFileVersionMS);
    EXPECT_EQ(EXPECTED_VERSION_LS, fixed->dwFileVersionLS);
    EXPECT_EQ(EXPECTED_VERSION_MS, fixed->dwProductVersionMS);
    EXPECT_EQ(EXPECTED_VERSION_LS, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    WORD *translation = NULL;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void **>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0411, translation[0]);  // Japanese
    EXPECT_EQ(1200, translation[1]);    // Unicode

    EXPECT_EQ("pukavro: still pictures from a USB camera",
              VersionString(&block, "FileDescription"));
    EXPECT_EQ(EXPECTED_VERSION, VersionString(&block, "FileVersion"));
    EXPECT_EQ("pukavro", VersionString(&block, "ProductName"));
    EXPECT_EQ(EXPECTED_VERSION, VersionString(&block, "ProductVersion"));
    EXPECT_EQ("pukavro.exe", VersionString(&block, "OriginalFilename"));
}

TEST(Manifest, AsInvokerOnEverySupportedWindows)
{
    ResourceData data = JapaneseResource(MAKEINTRESOURCEA(24), 1);
    ASSERT_TRUE(data.bytes != NULL);
    std::string text(reinterpret_cast<const char *>(data.bytes), data.size);
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    EXPECT_NE(std::string::npos,
              text.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    // The project's version, and the processor of this very build: a 64-bit
    // Windows refuses a 64-bit program that claims to be x86.
    std::string identity = std::string("name=\"pukavro\" version=\"") + EXPECTED_VERSION
                           + ".0\" processorArchitecture=\""
                           + (sizeof(void *) == 8 ? "amd64" : "x86") + "\"";
    EXPECT_NE(std::string::npos, text.find(identity)) << identity;
    // Plain classic buttons: no Common Controls 6 styling.
    EXPECT_EQ(std::string::npos, text.find("Common-Controls"));

    // As the loader reads it: an activation context made from the module.
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = ModulePath();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << "error " << GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
    SIZE_T written = 0;
    ASSERT_TRUE(QueryActCtxW(0, context, NULL, RunlevelInformationInActivationContext, &level,
                             sizeof level, &written));
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, level.RunLevel);
    EXPECT_EQ(0u, level.UiAccess);

    // The element layout differs between Windows versions; each id is
    // looked for as 16 bytes anywhere in the answer.
    uint8_t compatibility[512] = {};
    ASSERT_TRUE(QueryActCtxW(0, context, NULL, CompatibilityInformationInActivationContext,
                             compatibility, sizeof compatibility, &written));
    DWORD count;
    memcpy(&count, compatibility, sizeof count);
    EXPECT_EQ(5u, count);
    for (const GUID &os : SUPPORTED_OS) {
        bool found = false;
        for (SIZE_T at = 4; at + sizeof os <= written && !found; at++) {
            found = memcmp(compatibility + at, &os, sizeof os) == 0;
        }
        EXPECT_TRUE(found) << "supportedOS {" << std::hex << os.Data1 << "...}";
    }
    ReleaseActCtx(context);
}
