// The system's movie file: UTF-8 names, writes anywhere, reads, the cut.
#include <errno.h>
#include <string.h>

#include <gtest/gtest.h>

#include "movie_file.h"
#include "files.h"
#include "movie_test_files.h"

#ifdef _WIN32
#include <windows.h>
const int NO_SUCH_FILE = ERROR_FILE_NOT_FOUND;
#else
const int NO_SUCH_FILE = ENOENT;
#endif

TEST(MovieFile, WritesReadsAndCutsUnderAnyName)
{
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    const char *names[] = {"plain.avi", "動画 é.avi"};
    for (const char *name : names) {
        std::string path = PathIn(folder, name);
        MovieFile file;
        int error = 0;
        ASSERT_EQ(MOVIE_FILE_OK, OpenMovieFile(path.c_str(), MOVIE_FILE_CREATE, &file, &error))
            << name << " error " << error;
        uint64_t size = 1;
        EXPECT_EQ(MOVIE_FILE_OK, file.size(&file, &size));
        EXPECT_EQ(0u, size);
        EXPECT_EQ(MOVIE_FILE_OK, file.write_at(&file, 4, "WXYZ", 4));
        EXPECT_EQ(MOVIE_FILE_OK, file.write_at(&file, 0, "ab", 2));
        EXPECT_EQ(MOVIE_FILE_OK, file.hand_over(&file));
        char read[9] = "........";
        EXPECT_EQ(MOVIE_FILE_OK, file.read_at(&file, 0, read, 8));
        EXPECT_EQ(0, memcmp(read, "ab\0\0WXYZ", 8)) << name;
        EXPECT_EQ(MOVIE_FILE_SHORT, file.read_at(&file, 6, read, 4));
        EXPECT_EQ(MOVIE_FILE_OK, file.truncate(&file, 5));
        EXPECT_EQ(MOVIE_FILE_OK, CloseMovieFile(&file));

        ASSERT_EQ(MOVIE_FILE_OK, OpenMovieFile(path.c_str(), MOVIE_FILE_EXISTING, &file, &error));
        EXPECT_EQ(MOVIE_FILE_OK, file.size(&file, &size));
        EXPECT_EQ(5u, size) << name;
        EXPECT_EQ(MOVIE_FILE_OK, file.read_at(&file, 0, read, 5));
        EXPECT_EQ(0, memcmp(read, "ab\0\0W", 5)) << name;
        EXPECT_EQ(MOVIE_FILE_OK, CloseMovieFile(&file));
    }
    MovieFile file;
    int error = 0;
    std::string missing = PathIn(folder, "missing.avi");
    EXPECT_EQ(MOVIE_FILE_FAILED,
              OpenMovieFile(missing.c_str(), MOVIE_FILE_EXISTING, &file, &error));
    EXPECT_EQ(NO_SUCH_FILE, error);
    EXPECT_EQ(0, RemoveFolder(folder));
}

// Offsets past 4 GiB reach the system whole: a sparse file of the real file
// system takes a write at 5 GiB, reads it back and is cut there.
TEST(MovieFile, WritesReadsAndCutsPastFourGibibytes)
{
    const uint64_t five_gib = 5ull << 30;
    struct Row {
        uint64_t offset;
        const char *bytes;
    } rows[] = {
        {five_gib - 2, "ab"},             // up to 5 GiB
        {five_gib + 0x10000003, "CDEF"},  // more than 256 MiB further: no offset fits in 32 bits
    };
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    std::string path = PathIn(folder, "five_gib.avi");
    MovieFile file;
    int error = 0;
    ASSERT_EQ(MOVIE_FILE_OK, OpenMovieFile(path.c_str(), MOVIE_FILE_CREATE, &file, &error));
    for (const Row &row : rows)
        EXPECT_EQ(MOVIE_FILE_OK, file.write_at(&file, row.offset, row.bytes, strlen(row.bytes)))
            << row.offset;
    uint64_t size = 0;
    EXPECT_EQ(MOVIE_FILE_OK, file.size(&file, &size));
    EXPECT_EQ(five_gib + 0x10000007, size);
    for (const Row &row : rows) {
        char read[5] = "....";
        EXPECT_EQ(MOVIE_FILE_OK, file.read_at(&file, row.offset, read, strlen(row.bytes)));
        EXPECT_EQ(0, memcmp(read, row.bytes, strlen(row.bytes))) << row.offset;
    }
    EXPECT_EQ(MOVIE_FILE_OK, file.truncate(&file, five_gib - 1));
    EXPECT_EQ(MOVIE_FILE_OK, file.size(&file, &size));
    EXPECT_EQ(five_gib - 1, size);
    char read[2] = {0, 0};
    EXPECT_EQ(MOVIE_FILE_OK, file.read_at(&file, five_gib - 2, read, 1));
    EXPECT_EQ('a', read[0]);
    EXPECT_EQ(MOVIE_FILE_SHORT, file.read_at(&file, five_gib - 2, read, 2));
    EXPECT_EQ(MOVIE_FILE_OK, CloseMovieFile(&file));
    EXPECT_EQ(0, RemoveFolder(folder));
}
