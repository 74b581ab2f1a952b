// The repair: a movie cut or spoilt anywhere becomes the movie the writer
// makes of the whole frames left; a complete one is not touched.
#include <string.h>

#include <gtest/gtest.h>

#include "avi_layout.h"
#include "movie_repair.h"
#include "movie_test_files.h"

namespace {

const FrameRate RATE = {25, 2};
const uint64_t SMALL_PARTS = 128 * 1024;  // six frames a part

struct Repaired {
    MovieRepair result;
    uint32_t frames;
    int operations;
    Bytes bytes;
};

Repaired Repair(const Bytes &bytes)
{
    MemoryFile memory;
    InitMemoryFile(&memory);
    memory.bytes = bytes;
    Repaired repaired = {MOVIE_REPAIR_FAILED, 0xdeadbeef, 0, Bytes()};
    repaired.result = RepairMovie(&memory.file, &repaired.frames);
    repaired.operations = memory.operations;
    repaired.bytes = memory.bytes;
    return repaired;
}

}  // namespace

TEST(MovieRepair, LeavesACompleteMovieAlone)
{
    struct Row {
        uint32_t frames;
        uint64_t part_limit;
    } rows[] = {{0, AVI_DEFAULT_PART_LIMIT},
                {3, AVI_DEFAULT_PART_LIMIT},
                {6, SMALL_PARTS},
                {20, SMALL_PARTS}};
    for (const Row &row : rows) {
        Bytes movie = ReferenceMovie(row.frames, RATE, row.part_limit);
        Repaired repaired = Repair(movie);
        EXPECT_EQ(MOVIE_REPAIR_UNCHANGED, repaired.result) << row.frames;
        EXPECT_EQ(row.frames, repaired.frames);
        EXPECT_EQ(0, repaired.operations) << row.frames;
        EXPECT_TRUE(movie == repaired.bytes) << row.frames;
    }
}

TEST(MovieRepair, RefusesWhatIsNotOurMovie)
{
    Bytes movie = ReferenceMovie(2, RATE, AVI_DEFAULT_PART_LIMIT);
    Bytes other_size = movie, zero_rate = movie, other_format = movie, short_header = movie;
    other_size[176] = 95;      // biWidth
    zero_rate[132] = 0;        // dwRate 25 -> 0
    other_format[4616] = 'M';  // "movi"
    short_header.resize(4619);
    struct Row {
        const char *what;
        Bytes bytes;
    } rows[] = {
        {"empty", Bytes()},     {"text", Bytes(5000, 'a')},     {"another width", other_size},
        {"no rate", zero_rate}, {"no movi list", other_format}, {"cut in the header", short_header},
    };
    for (const Row &row : rows) {
        Repaired repaired = Repair(row.bytes);
        EXPECT_EQ(MOVIE_REPAIR_NOT_A_MOVIE, repaired.result) << row.what;
        EXPECT_EQ(0, repaired.operations) << row.what;
        EXPECT_EQ(0xdeadbeefu, repaired.frames) << row.what;
    }
}

TEST(MovieRepair, KeepsEveryWholeFrameOfACutMovie)
{
    // 20 frames in parts of 6, 6, 6 and 2.
    Bytes movie = ReferenceMovie(20, RATE, SMALL_PARTS);
    const uint64_t part1 = 129268;
    const uint64_t part2 = part1 + 24 + 6 * 20744 + 80;
    struct Row {
        uint64_t length;
        uint32_t frames;
    } rows[] = {
        {4620, 0},
        {4620 + 20744 - 1, 0},
        {4620 + 20744, 1},
        {4620 + 20744 + 8, 1},
        {4620 + 6 * 20744, 6},
        {part1 - 1, 6},
        {part1 + 24, 6},  // an AVIX part without frames goes
        {part1 + 24 + 20744, 7},
        {part2 + 24 + 3 * 20744 - 5, 14},
        {movie.size() - 1, 20},
    };
    for (const Row &row : rows) {
        Bytes cut(movie.begin(), movie.begin() + row.length);
        Repaired repaired = Repair(cut);
        EXPECT_EQ(MOVIE_REPAIR_REPAIRED, repaired.result) << row.length;
        EXPECT_EQ(row.frames, repaired.frames) << row.length;
        EXPECT_TRUE(ReferenceMovie(row.frames, RATE, SMALL_PARTS) == repaired.bytes) << row.length;
    }
}

TEST(MovieRepair, RebuildsSpoiltIndexesCountsAndSizes)
{
    Bytes movie = ReferenceMovie(8, RATE, SMALL_PARTS);
    struct Row {
        const char *what;
        uint64_t offset;
        uint32_t value;
    } rows[] = {
        {"RIFF size", 4, 0},
        {"avih frames", 48, 99},
        {"strh length", 140, 2},
        {"dmlh frames", 4360, 7},
        {"indx entries", 224, 1},
        {"indx part 1 offset", 260, 12},
        {"movi size", 4612, 0xFFFFFFFF},
        {"part 0 ix00 entry", 4620 + 6 * 20744 + 32, 0},
        {"part 0 idx1 entry", 4620 + 6 * 20744 + 80 + 16, 0},
        {"part 1 RIFF size", 129268 + 4, 5},
        {"part 1 ix00", 129268 + 24 + 2 * 20744, 0x12345678},
    };
    for (const Row &row : rows) {
        Bytes spoilt = movie;
        memcpy(&spoilt[row.offset], &row.value, 4);
        Repaired repaired = Repair(spoilt);
        EXPECT_EQ(MOVIE_REPAIR_REPAIRED, repaired.result) << row.what;
        EXPECT_EQ(8u, repaired.frames) << row.what;
        EXPECT_TRUE(movie == repaired.bytes) << row.what;
    }
    Bytes longer = movie;
    longer.resize(movie.size() + 3000, 0x55);
    EXPECT_EQ(MOVIE_REPAIR_REPAIRED, Repair(longer).result);
    EXPECT_TRUE(movie == Repair(longer).bytes);
}
