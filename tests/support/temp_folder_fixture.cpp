#include "temp_folder_fixture.h"

#include <string.h>

#include <filesystem>

#include "files.h"

Bytes ReadBytes(const std::string &path)
{
    Bytes bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
}

void WriteBytes(const std::string &path, const Bytes &bytes)
{
    ASSERT_EQ(0, WriteFileBytes(path, bytes.data(), bytes.size())) << path;
}

Bytes TextBytes(const char *text)
{
    return Bytes(text, text + strlen(text));
}

void MakeFolder(const std::string &path)
{
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::u8path(path))) << path;
}

void TempFolderTest::SetUp()
{
    ASSERT_EQ(0, MakeTempFolder(&root));
    MakeFolder(PathIn(root, "files"));
}

void TempFolderTest::TearDown()
{
    EXPECT_EQ(0, RemoveFolder(root)) << root;
}

std::string TempFolderTest::Path(const std::string &name) const
{
    return PathIn(PathIn(root, "files"), name.c_str());
}

std::vector<std::string> TempFolderTest::Listing(const std::string &folder) const
{
    return ListFolder(folder.empty() ? PathIn(root, "files") : Path(folder));
}
