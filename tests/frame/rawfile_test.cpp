// Raw frame files: names, the counter's 16-bit arithmetic and exact bytes on
// disk, including the failures a user must hear about.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "frame.h"

#ifdef _WIN32
#include <direct.h>
#define MakeDir(path) _mkdir(path)
#define RemoveDir(path) _rmdir(path)
#else
#include <sys/stat.h>
#include <unistd.h>
#define MakeDir(path) mkdir(path, 0755)
#define RemoveDir(path) rmdir(path)
#endif

namespace {

std::vector<uint8_t> ReadAll(const std::string &path)
{
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return bytes;
    int c;
    while ((c = fgetc(f)) != EOF)
        bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}

std::string Name(int16_t counter)
{
    char name[FRAME_NAME_CHARS];
    memset(name, 'X', sizeof name);
    FormatFrameName(name, counter);
    return std::string(name);
}

TEST(FrameName, NumbersPaddedToThreeDigits)
{
    EXPECT_EQ("kavro001.bin", Name(1));
    EXPECT_EQ("kavro042.bin", Name(42));
    EXPECT_EQ("kavro999.bin", Name(999));
    EXPECT_EQ("kavro1000.bin", Name(1000));
    EXPECT_EQ("kavro32767.bin", Name(32767));
    EXPECT_EQ("kavro-01.bin", Name(-1));  // the sign counts toward the width
    EXPECT_EQ("kavro000.bin", Name(0));
    // The longest name fills the buffer exactly.
    EXPECT_EQ("kavro-32768.bin", Name(-32768));
    EXPECT_EQ(FRAME_NAME_CHARS - 1, (int)Name(-32768).size());
}

TEST(FrameName, CounterWrapsAtSixteenBits)
{
    EXPECT_EQ(2, NextFrameCounter(1));
    EXPECT_EQ(1000, NextFrameCounter(999));
    EXPECT_EQ(-32768, NextFrameCounter(32767));
    EXPECT_EQ(0, NextFrameCounter(-1));
}

class RawFile : public testing::Test {
protected:
    std::string Path(const char *name) { return testing::TempDir() + name; }
};

TEST_F(RawFile, WritesExactlyTheFrameBytes)
{
    std::vector<uint8_t> frame(RAW_FRAME_BYTES);
    for (int i = 0; i < RAW_FRAME_BYTES; ++i)
        frame[i] = (uint8_t)(i ^ (i >> 8));
    frame[100] = '\n';  // binary mode: no newline translation on Windows
    frame[101] = 0x1A;
    std::string path = Path("kavro_exact.bin");

    // A longer file of the same name is truncated, not partly overwritten.
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f != NULL);
    for (int i = 0; i < 2 * RAW_FRAME_BYTES; ++i)
        fputc('z', f);
    fclose(f);

    EXPECT_EQ(0, WriteRawFile(path.c_str(), frame.data(), RAW_FRAME_BYTES));
    EXPECT_EQ(frame, ReadAll(path));
    remove(path.c_str());
}

TEST_F(RawFile, NonPositiveLengthWritesAnEmptyFile)
{
    std::string path = Path("kavro_empty.bin");
    uint8_t byte = 7;
    EXPECT_EQ(0, WriteRawFile(path.c_str(), &byte, 0));
    FILE *f = fopen(path.c_str(), "rb");
    ASSERT_TRUE(f != NULL);
    EXPECT_EQ(EOF, fgetc(f));
    fclose(f);
    EXPECT_EQ(0, WriteRawFile(path.c_str(), &byte, -5));
    EXPECT_TRUE(ReadAll(path).empty());
    remove(path.c_str());
}

TEST_F(RawFile, OpenFailureIsReported)
{
    // A directory of that name cannot be opened as a file.
    std::string path = Path("kavro_dir.bin");
    ASSERT_EQ(0, MakeDir(path.c_str()));
    std::vector<uint8_t> frame(RAW_FRAME_BYTES, 1);
    EXPECT_EQ(-1, WriteRawFile(path.c_str(), frame.data(), RAW_FRAME_BYTES));
    RemoveDir(path.c_str());

    std::string missing_dir = Path("no_such_dir/kavro001.bin");
    EXPECT_EQ(-1, WriteRawFile(missing_dir.c_str(), frame.data(), RAW_FRAME_BYTES));
}

#ifndef _WIN32
// A full disk: the open succeeds, the bytes do not land. The save must not
// be reported as done.
TEST_F(RawFile, WriteFailureOnAFullDiskIsReported)
{
    std::vector<uint8_t> frame(RAW_FRAME_BYTES, 0x5A);
    EXPECT_EQ(-1, WriteRawFile("/dev/full", frame.data(), RAW_FRAME_BYTES));
    // Even a single byte fails, at the latest when the stream is closed.
    EXPECT_EQ(-1, WriteRawFile("/dev/full", frame.data(), 1));
}
#endif

}  // namespace
