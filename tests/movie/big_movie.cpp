// The program behind scripts/check-big-movie.sh: records a movie of test
// frames into a real file through the writer, writes the frames ffmpeg should
// decode from it, and reads its first part with Windows' own reader.
//   big_movie write MOVIE FRAMES
//   big_movie expect OUT FRAME...   (bgr24, top row first, as ffmpeg gives)
//   big_movie oldread MOVIE         (Windows only)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "movie_test_files.h"
#include "movie_writer.h"

namespace {

// Test frame f, its number in its first bytes: test frames repeat after 256.
Bytes Frame(uint32_t f)
{
    Bytes bits = TestBits(f);
    memcpy(bits.data(), &f, sizeof(f));
    return bits;
}

// Completes a second's worth of frames at a time, as kavrocap does.
int Write(const char *name, uint32_t frames)
{
    MovieFile file;
    int error = 0;
    if (OpenMovieFile(name, MOVIE_FILE_CREATE, &file, &error) != MOVIE_FILE_OK) {
        fprintf(stderr, "big_movie: cannot create %s (error %d)\n", name, error);
        return 1;
    }
    MovieWriter writer;
    MovieResult result = StartMovie(&writer, &file, FrameRate{25, 1}, AVI_DEFAULT_PART_LIMIT);
    for (uint32_t f = 0; f < frames && result == MOVIE_OK; ++f) {
        result = AddMovieFrame(&writer, Frame(f).data());
        if (result == MOVIE_OK && f % 25 == 24)
            result = CompleteMovie(&writer);
    }
    if (result == MOVIE_OK)
        result = FinishMovie(&writer);
    if (result != MOVIE_OK)
        fprintf(stderr, "big_movie: %s (error %d)\n", MovieProblem(result), file.system_error);
    CloseMovieFile(&file);
    return result == MOVIE_OK ? 0 : 1;
}

int Expect(const char *out, int count, char **frames)
{
    const size_t row = FRAME_WIDTH * 3;
    Bytes expected;
    for (int i = 0; i < count; ++i) {
        Bytes bits = Frame((uint32_t)strtoul(frames[i], NULL, 10));
        for (size_t y = FRAME_HEIGHT; y-- > 0;)
            expected.insert(expected.end(), bits.begin() + y * row, bits.begin() + (y + 1) * row);
    }
    return WriteFileBytes(out, expected.data(), expected.size()) == 0 ? 0 : 1;
}

#ifdef _WIN32
// As many frames as avih counts, each compared with the frame written.
int OldRead(const char *name)
{
    FILE *header = _wfopen(ToUtf16(name).c_str(), L"rb");
    uint32_t first_part = 0;
    if (header == NULL || fseek(header, 48, SEEK_SET) != 0
        || fread(&first_part, 4, 1, header) != 1) {
        fprintf(stderr, "big_movie: cannot read the header of %s\n", name);
        return 1;
    }
    fclose(header);
    int good = OldReaderFrames(name, first_part, Frame);
    printf("avifil32: %d of the first part's %u frames read as written\n", good, first_part);
    return good == (int)first_part && good > 0 ? 0 : 1;
}
#endif

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "write") == 0)
        return Write(argv[2], (uint32_t)strtoul(argv[3], NULL, 10));
    if (argc >= 4 && strcmp(argv[1], "expect") == 0)
        return Expect(argv[2], argc - 3, argv + 3);
#ifdef _WIN32
    if (argc == 3 && strcmp(argv[1], "oldread") == 0)
        return OldRead(argv[2]);
#endif
    fprintf(stderr, "usage: big_movie write MOVIE FRAMES | expect OUT FRAME... | oldread MOVIE\n");
    return 2;
}
