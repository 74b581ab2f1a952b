// kavroview.exe's resources in both languages, read from the built file:
// the texts Wine does not show another process (menus, status bar) are
// checked here, where each language's own copy can be asked for.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "program_argument.h"
#include "view_resource.h"

namespace {

std::string g_kavroview;

const WORD ENGLISH = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD JAPANESE = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

class ViewResourcesTest : public ::testing::Test {
protected:
    HMODULE module = NULL;

    void SetUp() override
    {
        module = LoadLibraryExA(g_kavroview.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, (HMODULE)NULL) << g_kavroview;
    }
    void TearDown() override
    {
        if (module != NULL)
            FreeLibrary(module);
    }

    // type: 4 menu, 5 dialog, 6 string block (the RT_ values, as wide ids).
    const void *Find(LPCWSTR type, LPCWSTR name, WORD language)
    {
        HRSRC found = FindResourceExW(module, type, name, language);
        return found == NULL ? NULL : LockResource(LoadResource(module, found));
    }

    // A string of the table in exactly that language; "<none>" when missing.
    std::wstring String(UINT id, WORD language)
    {
        const WCHAR *block = static_cast<const WCHAR *>(
            Find(MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), language));
        if (block == NULL)
            return L"<none>";
        for (UINT i = 0; i < id % 16; ++i)
            block += 1 + *block;
        return *block == 0 ? L"<none>" : std::wstring(block + 1, *block);
    }

    std::wstring MenuItem(UINT command, WORD language)
    {
        const void *menu_template = Find(MAKEINTRESOURCEW(4), MAKEINTRESOURCEW(IDR_MENU), language);
        if (menu_template == NULL)
            return L"<none>";
        HMENU menu = LoadMenuIndirectW(menu_template);
        WCHAR text[128] = L"<none>";
        GetMenuStringW(menu, command, text, 128, MF_BYCOMMAND);
        DestroyMenu(menu);
        return text;
    }
};

TEST_F(ViewResourcesTest, StatusTextsInBothLanguages)
{
    const struct {
        UINT id;
        const wchar_t *english, *japanese;
    } cases[] = {
        {STR_TITLE, L"kavroview", L"kavroview"},
        {STR_LIVE, L"live", L"ライブ"},
        {STR_PAUSED, L"paused", L"一時停止中"},
        {STR_NO_CAMERA, L"no camera — retrying", L"カメラなし — 再試行中"},
        {STR_SHOWN, L"shown %u", L"表示 %u"},
        {STR_FAILED, L"failed %u", L"失敗 %u"},
        {STR_RECORDING, L"REC %d:%02d, %u frames", L"録画 %d:%02d, %u フレーム"},
        {STR_SNAPSHOT_FAILED, L"The snapshot could not be saved: %s",
         L"スナップショットを保存できませんでした: %s"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(String(c.id, ENGLISH), c.english) << c.id;
        EXPECT_EQ(String(c.id, JAPANESE), c.japanese) << c.id;
    }
}

// Every key is shown in its menu item.
TEST_F(ViewResourcesTest, MenusShowTheirKeysInBothLanguages)
{
    const struct {
        UINT command;
        const wchar_t *english, *japanese;
    } cases[] = {
        {CMD_SNAPSHOT, L"&Snapshot\tSpace", L"スナップショット(&S)\tSpace"},
        {CMD_RECORD, L"&Record\tR", L"録画(&R)\tR"},
        {CMD_COPY, L"&Copy\tCtrl+C", L"コピー(&C)\tCtrl+C"},
        {CMD_EXIT, L"E&xit\tAlt+F4", L"終了(&X)\tAlt+F4"},
        {CMD_PAUSE, L"&Pause\tP", L"一時停止(&P)\tP"},
        {CMD_TIME_STAMP, L"&Time stamp\tT", L"タイムスタンプ(&T)\tT"},
        {CMD_ZOOM_IN, L"Zoom &in\t+", L"拡大(&I)\t+"},
        {CMD_ZOOM_OUT, L"Zoom &out\t-", L"縮小(&O)\t-"},
        {CMD_ZOOM_1, L"&1×\t1", L"&1倍\t1"},
        {CMD_ZOOM_8, L"&8×\t8", L"&8倍\t8"},
        {CMD_ABOUT, L"&About kavroview", L"バージョン情報(&A)"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(MenuItem(c.command, ENGLISH), c.english) << c.command;
        EXPECT_EQ(MenuItem(c.command, JAPANESE), c.japanese) << c.command;
    }
    for (WORD language : {ENGLISH, JAPANESE})
        EXPECT_NE(Find(MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_ABOUT), language), nullptr)
            << language;
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (ProgramArgument("KAVROVIEW.EXE", &g_kavroview) != 0)
        return 2;
    return RUN_ALL_TESTS();
}
