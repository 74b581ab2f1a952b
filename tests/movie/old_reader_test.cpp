// Windows' own AVI reader, as programs that know nothing of OpenDML use it:
// it reads the first part of a movie frame for frame, at its rate. (Wine's
// takes the stream's length from strh, every frame of the file, yet asserts
// when asked for a frame past the first part's idx1.)
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include "avi_layout.h"
#include "files.h"
#include "movie_test_files.h"

TEST(MovieOldReader, ReadsTheFirstPartFrameForFrame)
{
    struct Row {
        uint32_t frames;
        uint64_t part_limit;
        LONG length;      // what the reader says the stream holds
        LONG first_part;  // the frames of the first part
    } rows[] = {
        {3, AVI_DEFAULT_PART_LIMIT, 3, 3},
        {20, 128 * 1024, 20, 6},
    };
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    AVIFileInit();
    for (const Row &row : rows) {
        std::string path = PathIn(folder, "old reader.avi");
        Bytes movie = ReferenceMovie(row.frames, FrameRate{25, 2}, row.part_limit);
        ASSERT_EQ(0, WriteFileBytes(path, movie.data(), movie.size()));
        PAVIFILE file = NULL;
        ASSERT_EQ(0, AVIFileOpenW(&file, ToUtf16(path).c_str(), OF_READ, NULL)) << row.frames;
        PAVISTREAM stream = NULL;
        ASSERT_EQ(0, AVIFileGetStream(file, &stream, streamtypeVIDEO, 0));
        AVISTREAMINFOW info = {};
        EXPECT_EQ(0, AVIStreamInfoW(stream, &info, sizeof(info)));
        EXPECT_EQ(25u, info.dwRate);
        EXPECT_EQ(2u, info.dwScale);
        EXPECT_EQ(row.length, AVIStreamLength(stream)) << row.frames;
        for (LONG f = 0; f < row.first_part; ++f) {
            Bytes bits(DISPLAY_IMAGE_BYTES, 0);
            LONG bytes = 0, samples = 0;
            EXPECT_EQ(
                0, AVIStreamRead(stream, f, 1, bits.data(), (LONG)bits.size(), &bytes, &samples));
            EXPECT_EQ(DISPLAY_IMAGE_BYTES, bytes);
            EXPECT_TRUE(TestBits((uint32_t)f) == bits) << row.frames << " frame " << f;
        }
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }
    AVIFileExit();
    EXPECT_EQ(0, RemoveFolder(folder));
}
