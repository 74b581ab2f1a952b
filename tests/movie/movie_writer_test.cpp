// The movie writer: the exact bytes of its files, what ffmpeg reads of them,
// and what is left when the file interface stops or fills up after any write
// of a completion.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "movie_repair.h"
#include "files.h"
#include "movie_test_files.h"
#include "movie_writer.h"

namespace {

const FrameRate NTSC = {30000, 1001};
const uint64_t SMALL_PARTS = 128 * 1024;  // six frames a part

#define FOURCC(s)                                                                                  \
    ((uint32_t)(s)[0] | (uint32_t)(s)[1] << 8 | (uint32_t)(s)[2] << 16 | (uint32_t)(s)[3] << 24)

struct Recording {
    MemoryFile memory;
    MovieWriter writer;
};

void Record(Recording *r, uint32_t first, uint32_t count)
{
    for (uint32_t f = first; f < first + count; ++f)
        ASSERT_EQ(MOVIE_OK, AddMovieFrame(&r->writer, TestBits(f).data())) << f;
}

// A recording with `committed` frames at its last completion point and
// `added` more waiting.
void StartRecording(Recording *r, uint64_t part_limit, uint32_t committed, uint32_t added)
{
    InitMemoryFile(&r->memory);
    ASSERT_EQ(MOVIE_OK, StartMovie(&r->writer, &r->memory.file, NTSC, part_limit));
    Record(r, 0, committed);
    ASSERT_EQ(MOVIE_OK, CompleteMovie(&r->writer));
    Record(r, committed, added);
}

// A 32-bit field of a file.
struct Field {
    uint64_t offset;
    uint32_t value;
    const char *what;
};

template <size_t N> void ExpectFields(const Bytes &file, const Field (&rows)[N])
{
    for (const Field &row : rows)
        EXPECT_EQ(row.value, Le32(file, row.offset)) << row.what << " at " << row.offset;
}

}  // namespace

TEST(MovieWriter, WritesEveryHeaderAndIndexField)
{
    Recording r;
    StartRecording(&r, AVI_DEFAULT_PART_LIMIT, 0, 3);
    ASSERT_EQ(MOVIE_OK, FinishMovie(&r.writer));
    const Bytes &file = r.memory.bytes;
    ASSERT_EQ(66964u, file.size());
    const Field rows[] = {
        {0, FOURCC("RIFF"), "RIFF"},
        {4, 66956, "RIFF size"},
        {16, 4588, "hdrl size"},
        {32, 33367, "dwMicroSecPerFrame"},
        {36, 621699, "dwMaxBytesPerSec"},
        {44, 0x110, "dwFlags: has index, interleaved"},
        {48, 3, "dwTotalFrames"},
        {56, 1, "dwStreams"},
        {60, 20736, "avih dwSuggestedBufferSize"},
        {64, 96, "dwWidth"},
        {68, 72, "dwHeight"},
        {108, FOURCC("vids"), "fccType"},
        {128, 1001, "dwScale"},
        {132, 30000, "dwRate"},
        {140, 3, "dwLength"},
        {144, 20736, "strh dwSuggestedBufferSize"},
        {148, 0xFFFFFFFF, "dwQuality"},
        {160, 96 | 72 << 16, "rcFrame right, bottom"},
        {176, 96, "biWidth"},
        {180, 72, "biHeight: positive, bottom-up"},
        {184, 1 | 24 << 16, "biPlanes, biBitCount"},
        {188, 0, "biCompression BI_RGB"},
        {216, 4120, "indx size: room for 256 parts"},
        {220, 4, "wLongsPerEntry 4, index of indexes"},
        {224, 1, "indx nEntriesInUse"},
        {244, 66852, "indx part 0 qwOffset"},
        {252, 56, "indx part 0 dwSize"},
        {256, 3, "indx part 0 dwDuration"},
        {260, 0, "indx part 1 unused"},
        {4360, 3, "dmlh total frames"},
        {4612, 62292, "movi size: frames and ix00"},
        {4616, FOURCC("movi"), "movi"},
        {4620, FOURCC("00db"), "frame 0"},
        {66852, FOURCC("ix00"), "ix00"},
        {66860, 0x01000002, "wLongsPerEntry 2, index of chunks"},
        {66864, 3, "ix00 nEntriesInUse"},
        {66872, 4616, "qwBaseOffset: the movi fourcc"},
        {66884, 12, "ix00 frame 0 dwOffset: to its data"},
        {66888, 20736, "ix00 frame 0 dwSize, key frame"},
        {66900, 41500, "ix00 frame 2 dwOffset"},
        {66908, FOURCC("idx1"), "idx1"},
        {66920, 0x10, "idx1 frame 0 key frame"},
        {66924, 4, "idx1 frame 0 offset from movi"},
        {66956, 41492, "idx1 frame 2 offset"},
        {66960, 20736, "idx1 frame 2 length"},
    };
    ExpectFields(file, rows);
    EXPECT_EQ(3, IndexedFrames(file));
}

TEST(MovieWriter, RawFramesAreStoredAsTheWindowPaintsThem)
{
    Recording r;
    StartRecording(&r, AVI_DEFAULT_PART_LIMIT, 0, 0);
    Bytes raw(RAW_FRAME_BYTES), painted(DISPLAY_IMAGE_BYTES);
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = (uint8_t)(i * 7 + i / 192);
    ConvertFrame(raw.data(), painted.data(), FRAME_WIDTH, FRAME_HEIGHT);
    ASSERT_EQ(MOVIE_OK, AddRawMovieFrame(&r.writer, raw.data()));
    ASSERT_EQ(MOVIE_OK, FinishMovie(&r.writer));
    EXPECT_TRUE(std::equal(painted.begin(), painted.end(), r.memory.bytes.begin() + 4628));
    EXPECT_EQ(MOVIE_STOPPED, AddRawMovieFrame(&r.writer, raw.data()));
}

TEST(MovieWriter, LongRecordingsContinueInExtensionParts)
{
    // Six frames a part: 15 frames are parts of 6, 6 and 3.
    Recording r;
    StartRecording(&r, SMALL_PARTS, 4, 11);
    ASSERT_EQ(MOVIE_OK, FinishMovie(&r.writer));
    const Bytes &file = r.memory.bytes;
    const uint64_t part1 = 4620 + 6 * 20744 + 32 + 48 + 8 + 96;  // 129268
    const uint64_t part2 = part1 + 24 + 6 * 20744 + 32 + 48;     // 253836
    ASSERT_EQ(part2 + 24 + 3 * 20744 + 32 + 24, file.size());
    const Field rows[] = {
        {4, (uint32_t)part1 - 8, "first RIFF size"},
        {48, 6, "avih: frames of the first part"},
        {140, 15, "strh: every frame"},
        {4360, 15, "dmlh: every frame"},
        {224, 3, "indx entries"},
        {244, (uint32_t)part1 - 184, "indx part 0 offset"},
        {256, 6, "indx part 0 frames"},
        {260, (uint32_t)part2 - 80, "indx part 1 offset"},
        {272, 6, "indx part 1 frames"},
        {276, (uint32_t)file.size() - 56, "indx part 2 offset"},
        {288, 3, "indx part 2 frames"},
        {part1 - 184 + 20, (uint32_t)4616, "part 0 ix00 base"},
        {part1, FOURCC("RIFF"), "part 1 RIFF"},
        {part1 + 4, (uint32_t)(part2 - part1 - 8), "part 1 RIFF size"},
        {part1 + 8, FOURCC("AVIX"), "AVIX"},
        {part1 + 16, 6 * 20744 + 4 + 80, "part 1 movi size"},
        {part2 - 80, FOURCC("ix00"), "part 1 ix00"},
        {part2 - 80 + 20, (uint32_t)part1 + 20, "part 1 ix00 base"},
        {part2 - 80 + 32, 12, "part 1 frame 0 offset"},
        {part2 + 8, FOURCC("AVIX"), "part 2"},
        {part2 + 16, 3 * 20744 + 4 + 56, "part 2 movi size"},
    };
    ExpectFields(file, rows);
    EXPECT_EQ(15, IndexedFrames(file));
}

TEST(MovieWriter, OffsetsPastFourGibibytes)
{
    SparseFile sparse;
    InitSparseFile(&sparse);
    MovieWriter writer;
    ASSERT_EQ(MOVIE_OK, StartMovie(&writer, &sparse.file, NTSC, AVI_DEFAULT_PART_LIMIT));
    // Parts of 51701 and 51741 frames: the sixth begins past 4 GiB.
    const uint32_t frames = 51701 + 4 * 51741 + 3;
    Bytes black(DISPLAY_IMAGE_BYTES, 0);
    for (uint32_t f = 0; f < frames; ++f) {
        ASSERT_EQ(MOVIE_OK, AddMovieFrame(&writer, black.data()));
        if (f % 5000 == 4999) {
            ASSERT_EQ(MOVIE_OK, CompleteMovie(&writer));
        }
    }
    ASSERT_EQ(MOVIE_OK, FinishMovie(&writer));
    ASSERT_EQ(5368648180u + 24 + 3 * 20744 + 32 + 24, sparse.size);
    Bytes header(4620);
    ASSERT_EQ(MOVIE_FILE_OK, sparse.file.read_at(&sparse.file, 0, header.data(), header.size()));
    const Field rows[] = {
        {48, 51701, "avih: the first part"},
        {224, 6, "indx entries"},
        {244 + 4 * 16, 1073266924, "part 4 ix00 low"},
        {244 + 4 * 16 + 4, 1, "part 4 ix00 high"},
        {244 + 5 * 16, (uint32_t)(5368648200u + 4 + 3 * 20744), "part 5 ix00 low"},
        {244 + 5 * 16 + 4, 1, "part 5 ix00 high"},
        {244 + 5 * 16 + 12, 3, "part 5 frames"},
    };
    ExpectFields(header, rows);
    uint32_t ix00[10];
    ASSERT_EQ(MOVIE_FILE_OK,
              sparse.file.read_at(&sparse.file, 5368648200u + 4 + 3 * 20744, ix00, sizeof(ix00)));
    EXPECT_EQ(FOURCC("ix00"), ix00[0]);
    EXPECT_EQ(5368648200u & 0xFFFFFFFFu, ix00[5]) << "qwBaseOffset low";
    EXPECT_EQ(1u, ix00[6]) << "qwBaseOffset high";
    EXPECT_EQ(12u, ix00[8]) << "first frame's data from the base";
    uint32_t found = 0;
    EXPECT_EQ(MOVIE_REPAIR_UNCHANGED, RepairMovie(&sparse.file, &found));
    EXPECT_EQ(frames, found);
}

TEST(MovieWriter, ThePartsAreFullAfter256)
{
    // One frame a part.
    Recording r;
    StartRecording(&r, 1, 250, 6);
    EXPECT_EQ(MOVIE_PARTS_FULL, AddMovieFrame(&r.writer, TestBits(256).data()));
    EXPECT_EQ(MOVIE_STOPPED, AddMovieFrame(&r.writer, TestBits(257).data()));
    EXPECT_EQ(MOVIE_STOPPED, CompleteMovie(&r.writer));
    EXPECT_TRUE(ReferenceMovie(256, NTSC, 1) == r.memory.bytes);
    EXPECT_EQ(256u, Le32(r.memory.bytes, 224));
    EXPECT_STREQ("the movie is full: it holds at most 256 parts of 1 GiB",
                 MovieProblem(MOVIE_PARTS_FULL));
}

TEST(MovieWriter, AFullDiskLeavesTheLastCompletionPoint)
{
    struct Row {
        uint64_t part_limit;
        uint32_t committed, added;
    } rows[] = {
        {AVI_DEFAULT_PART_LIMIT, 3, 2},
        {SMALL_PARTS, 5, 3},  // the first part fills, a second begins
        {SMALL_PARTS, 6, 2},  // only a new part grows
    };
    for (const Row &row : rows) {
        Recording whole;
        StartRecording(&whole, row.part_limit, row.committed, row.added);
        uint64_t before = whole.memory.bytes.size();
        ASSERT_EQ(MOVIE_OK, CompleteMovie(&whole.writer));
        uint64_t after = whole.memory.bytes.size();
        for (uint64_t space :
             {before, before + 1, before + 20744, (before + after) / 2, after - 1}) {
            Recording r;
            StartRecording(&r, row.part_limit, row.committed, row.added);
            Bytes last_point = r.memory.bytes;
            r.memory.space = space;
            EXPECT_EQ(MOVIE_WRITE_FAILED, CompleteMovie(&r.writer))
                << row.committed << " " << space;
            EXPECT_EQ(SIMULATED_DISK_FULL, r.memory.file.system_error);
            EXPECT_STREQ(
                "writing the movie failed; it keeps the frames of its last complete second",
                MovieProblem(MOVIE_WRITE_FAILED));
            EXPECT_TRUE(last_point == r.memory.bytes) << row.committed << " " << space;
            EXPECT_EQ(MOVIE_STOPPED, AddMovieFrame(&r.writer, TestBits(0).data()));
            EXPECT_EQ(MOVIE_STOPPED, FinishMovie(&r.writer));
        }
    }
}

// Every prefix of a completion's writes, as a killed process leaves it:
// ffmpeg reads it without a word, with at least the frames of the last
// completion point, each as written; the repair then gives the movie the
// writer makes of the whole frames found.
TEST(MovieWriter, KilledAfterAnyWriteOfACompletion)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << NO_FFMPEG;
    struct Row {
        uint64_t part_limit;
        uint32_t committed, added;
    } rows[] = {
        {AVI_DEFAULT_PART_LIMIT, 0, 2},
        // The indexes in force are longer than the frame that covers them.
        {AVI_DEFAULT_PART_LIMIT, 900, 1},
        {SMALL_PARTS, 5, 3},
        {SMALL_PARTS, 6, 2},
        {SMALL_PARTS, 8, 2},
    };
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    for (const Row &row : rows) {
        Recording whole;
        StartRecording(&whole, row.part_limit, row.committed, row.added);
        int operations = whole.memory.operations;
        ASSERT_EQ(MOVIE_OK, CompleteMovie(&whole.writer));
        int writes = whole.memory.operations - operations;
        std::map<uint32_t, Bytes> references;
        for (uint32_t f = row.committed; f <= row.committed + row.added; ++f)
            references[f] = ReferenceMovie(f, NTSC, row.part_limit);
        ASSERT_TRUE(references[row.committed + row.added] == whole.memory.bytes);
        std::set<uint32_t> repaired_counts;
        std::string path = PathIn(folder, "killed.avi");
        for (int k = 0; k <= writes; ++k) {
            Recording r;
            StartRecording(&r, row.part_limit, row.committed, row.added);
            r.memory.operations_left = k;
            MovieResult result = CompleteMovie(&r.writer);
            EXPECT_EQ(k == writes ? MOVIE_OK : MOVIE_WRITE_FAILED_NOT_RESTORED, result);
            ASSERT_EQ(0, WriteFileBytes(path, r.memory.bytes.data(), r.memory.bytes.size()));
            Decoded decoded = DecodeMovie(path);
            std::string where = std::to_string(row.committed) + "+" + std::to_string(row.added)
                                + " after " + std::to_string(k) + " writes";
            EXPECT_EQ(0, decoded.status) << where;
            EXPECT_EQ("", decoded.errors) << where;
            uint32_t read = (uint32_t)(decoded.frames.size() / DISPLAY_IMAGE_BYTES);
            EXPECT_GE(read, row.committed) << where;
            EXPECT_EQ(-1, FirstWrongFrame(decoded.frames, read)) << where;
            EXPECT_GE(IndexedFrames(r.memory.bytes), (int)row.committed) << where;

            // Whole frames past the last completion point are kept too.
            bool complete = false;
            for (const auto &reference : references)
                complete = complete || reference.second == r.memory.bytes;
            r.memory.operations_left = -1;
            uint32_t found = 0;
            MovieRepair repair = RepairMovie(&r.memory.file, &found);
            EXPECT_EQ(complete ? MOVIE_REPAIR_UNCHANGED : MOVIE_REPAIR_REPAIRED, repair) << where;
            ASSERT_TRUE(references.count(found)) << where << ": " << found;
            EXPECT_TRUE(references[found] == r.memory.bytes) << where;
            repaired_counts.insert(found);
        }
        // What the repairs made, once each.
        for (uint32_t frames : repaired_counts) {
            ASSERT_EQ(0,
                      WriteFileBytes(path, references[frames].data(), references[frames].size()));
            Decoded decoded = DecodeMovie(path);
            EXPECT_EQ("", decoded.errors) << frames;
            EXPECT_EQ(frames * DISPLAY_IMAGE_BYTES, decoded.frames.size());
            EXPECT_EQ(-1, FirstWrongFrame(decoded.frames, frames)) << frames;
        }
    }
    EXPECT_EQ(0, RemoveFolder(folder));
}

TEST(MovieWriter, ReadersSeeEveryFrameAtItsRate)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << NO_FFMPEG;
    struct Row {
        FrameRate rate;
        uint32_t frames;
        uint64_t part_limit;
        const char *probe;
    } rows[] = {
        {{30000, 1001},
         5,
         AVI_DEFAULT_PART_LIMIT,
         "codec_name=rawvideo\nwidth=96\nheight=72\npix_fmt=bgr24\nr_frame_rate=30000/1001\n"
         "nb_frames=5\nnb_read_frames=5\n"},
        {{25, 2},
         20,
         SMALL_PARTS,
         "codec_name=rawvideo\nwidth=96\nheight=72\npix_fmt=bgr24\nr_frame_rate=25/2\n"
         "nb_frames=20\nnb_read_frames=20\n"},
    };
    std::string folder;
    ASSERT_EQ(0, MakeTempFolder(&folder));
    for (const Row &row : rows) {
        std::string path = PathIn(folder, "movie.avi");
        Bytes movie = ReferenceMovie(row.frames, row.rate, row.part_limit);
        ASSERT_EQ(0, WriteFileBytes(path, movie.data(), movie.size()));
        EXPECT_EQ(row.probe, ProbeMovie(path));
        Decoded decoded = DecodeMovie(path);
        EXPECT_EQ(0, decoded.status);
        EXPECT_EQ("", decoded.errors);
        EXPECT_EQ(row.frames * DISPLAY_IMAGE_BYTES, decoded.frames.size());
        EXPECT_EQ(-1, FirstWrongFrame(decoded.frames, row.frames));
    }
    EXPECT_EQ(0, RemoveFolder(folder));
}
