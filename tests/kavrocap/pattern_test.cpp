// OUTPUT patterns: the names they make, the ones they refuse, and the
// existing names they recognise for --continue.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pattern.h"

namespace {

const FrameTime SOME_TIME = {2026, 12, 8, 23, 4, 5, 67};

struct NameCase {
    const char *pattern;
    int64_t number;
    const char *name;
    const char *folder;
};

const NameCase NAME_CASES[] = {
    {"kavro{n:03}.bin", 7, "kavro007.bin", ""},
    {"kavro{n:03}.bin", 1234, "kavro1234.bin", ""},
    {"f{n}.png", 42, "f42.png", ""},
    {"f{n:09}", 42, "f000000042", ""},
    {"%d.bin", 5, "5.bin", ""},
    {"%05d.bin", 5, "00005.bin", ""},
    {"100%%_{n:01}", 5, "100%_5", ""},
    {"{date}-{time}-{ms}.png", 1, "20261208-230405-067.png", ""},
    {"{{n}}{n}", 5, "{n}5", ""},
    {"x}}.bin", 5, "x}.bin", ""},
    {"C:\\caps\\x{n}.bin", 5, "C:\\caps\\x5.bin", "C:\\caps\\"},
    {"\\\\?\\C:\\caps\\x{n}.bin", 5, "\\\\?\\C:\\caps\\x5.bin", "\\\\?\\C:\\caps\\"},
    {"C:x{n}.bin", 5, "C:x5.bin", "C:"},
    {"a/b\\c{n}", 5, "a/b\\c5", "a/b\\"},
    {"{{dir}}%%/x{n}", 5, "{dir}%/x5", "{dir}%/"},
    {"\xe5\x86\x99\xe7\x9c\x9f{n}.bin", 3,
     "\xe5\x86\x99\xe7\x9c\x9f"
     "3.bin",
     ""},
    {"console.bin", 1, "console.bin", ""},
    {"COM{n}.bin", 10, "COM10.bin", ""},
};

TEST(Pattern, MakesTheNames)
{
    for (const NameCase &c : NAME_CASES) {
        NamePattern pattern;
        std::string problem;
        ASSERT_EQ(NAME_ACCEPTED, ParseNamePattern(c.pattern, &pattern, &problem))
            << c.pattern << problem;
        EXPECT_EQ(c.name, FormatOutputName(pattern, c.number, SOME_TIME)) << c.pattern;
        EXPECT_EQ(c.folder, pattern.folder) << c.pattern;
    }
}

TEST(Pattern, TellsWhichPlaceholdersItHolds)
{
    struct {
        const char *pattern;
        int has_number, has_time, has_clock;
    } cases[] = {
        {"x.bin", 0, 0, 0},  {"x%d", 1, 0, 0},        {"{time}", 0, 1, 1},
        {"{date}", 0, 0, 1}, {"{ms}{n:02}", 1, 0, 1}, {"{{n}}{{time}}", 0, 0, 0},
    };
    for (const auto &c : cases) {
        NamePattern pattern;
        std::string problem;
        ASSERT_EQ(NAME_ACCEPTED, ParseNamePattern(c.pattern, &pattern, &problem)) << c.pattern;
        EXPECT_EQ(c.has_number, pattern.has_number) << c.pattern;
        EXPECT_EQ(c.has_time, pattern.has_time) << c.pattern;
        EXPECT_EQ(c.has_clock, pattern.has_clock) << c.pattern;
    }
}

struct RefusedCase {
    const char *pattern;
    const char *problem;
};

const RefusedCase REFUSED_CASES[] = {
    {"x{m}.bin", "unknown sequence {m} in OUTPUT"},
    {"x{N}.bin", "unknown sequence {N} in OUTPUT"},
    {"x{n:3}.bin", "unknown sequence {n:3} in OUTPUT"},
    {"x{n:00}.bin", "unknown sequence {n:00} in OUTPUT"},
    {"x{n:010}.bin", "unknown sequence {n:010} in OUTPUT"},
    {"x{ n}.bin", "unknown sequence { n} in OUTPUT"},
    {"x{n", "unknown sequence {n in OUTPUT"},
    {"x{", "unknown sequence { in OUTPUT"},
    {"x}.bin", "unknown sequence }. in OUTPUT"},
    {"x%5d.bin", "unknown sequence %5 in OUTPUT"},
    {"x%010d.bin", "unknown sequence %0 in OUTPUT"},
    {"x%s.bin", "unknown sequence %s in OUTPUT"},
    {"x%", "unknown sequence % in OUTPUT"},
    {"dir{n}/x{n}.bin", "{n} stands in the folder of OUTPUT"},
    {"%d\\x{n}.bin", "%d stands in the folder of OUTPUT"},
    {"dir%/x{n}.bin", "unknown sequence %/ in OUTPUT"},
    {"a<b{n}", "cannot hold the character '<'"},
    {"a>b{n}", "cannot hold the character '>'"},
    {"dir\\a:b{n}", "cannot hold the character ':'"},
    {"a\"b{n}", "cannot hold the character '\"'"},
    {"a|b{n}", "cannot hold the character '|'"},
    {"a?b{n}", "cannot hold the character '?'"},
    {"a*b{n}", "cannot hold the character '*'"},
    {"a\tb{n}", "cannot hold the character with code 9"},
    {"out/", "OUTPUT names a folder, not a file"},
    {"", "OUTPUT names a folder, not a file"},
    {"C:", "OUTPUT names a folder, not a file"},
    {"x{n}.", "cannot end in a dot or a space"},
    {"x{n} ", "cannot end in a dot or a space"},
    {"NUL", "NUL is a reserved device name"},
    {"dir/con.{n}.bin", "con.10.bin is a reserved device name"},
    {"lpt1.txt", "lpt1.txt is a reserved device name"},
    {"COM9 .bin", "COM9 .bin is a reserved device name"},
    {"Aux", "Aux is a reserved device name"},
};

TEST(Pattern, RefusesWhatNoWindowsFileCanBeCalled)
{
    for (const RefusedCase &c : REFUSED_CASES) {
        NamePattern pattern;
        std::string problem;
        EXPECT_EQ(NAME_REFUSED, ParseNamePattern(c.pattern, &pattern, &problem)) << c.pattern;
        EXPECT_NE(std::string::npos, problem.find(c.problem)) << c.pattern << " gave: " << problem;
    }
}

struct MatchCase {
    const char *pattern;
    const char *name;
    int matches;
    int64_t number;
};

const MatchCase MATCH_CASES[] = {
    {"kavro{n:03}.bin", "kavro007.bin", 1, 7},
    {"kavro{n:03}.bin", "KAVRO012.BIN", 1, 12},
    {"kavro{n:03}.bin", "kavro1234.bin", 1, 1234},
    {"kavro{n:03}.bin", "kavro7.bin", 0, 0},
    {"kavro{n:03}.bin", "kavro0007.bin", 0, 0},
    {"kavro{n:03}.bin", "kavro007.bin.tmp", 0, 0},
    {"kavro{n:03}.bin", "kavro007.bi", 0, 0},
    {"kavro{n:03}.bin", "kavroabc.bin", 0, 0},
    {"x{n}.bin", "x007.bin", 0, 0},
    {"x{n}.bin", "x0.bin", 1, 0},
    {"{date}_{n}.png", "20261208_5.png", 1, 5},
    {"{date}_{n}.png", "2026128_5.png", 0, 0},
    {"{n}{time}", "5123456", 1, 5},
    {"{n}-{ms}", "77-001", 1, 77},
    {"{n}{n}", "1212", 1, 12},
    {"{n}{n}", "1213", 0, 0},
    {"{n}1", "111", 1, 11},
    {"dir/f{n}", "f3", 1, 3},
    {"f{n}", "f1234567890123456789", 0, 0},
};

TEST(Pattern, RecognisesTheNamesItMakes)
{
    for (const MatchCase &c : MATCH_CASES) {
        NamePattern pattern;
        std::string problem;
        ASSERT_EQ(NAME_ACCEPTED, ParseNamePattern(c.pattern, &pattern, &problem)) << c.pattern;
        int64_t number = -1;
        EXPECT_EQ(c.matches != 0, MatchOutputName(pattern, c.name, &number))
            << c.pattern << " " << c.name;
        if (c.matches) {
            EXPECT_EQ(c.number, number) << c.pattern << " " << c.name;
        }
    }
}

TEST(Pattern, NumbersOnAfterTheHighestExistingName)
{
    NamePattern pattern;
    std::string problem;
    ASSERT_EQ(NAME_ACCEPTED, ParseNamePattern("dir/kavro{n:03}.bin", &pattern, &problem));
    EXPECT_EQ(1, NumberAfterExisting(pattern, {}));
    EXPECT_EQ(1, NumberAfterExisting(pattern, {"other.bin", "kavro2.bin", "kavro001.png"}));
    EXPECT_EQ(11, NumberAfterExisting(pattern, {"kavro001.bin", "KAVRO010.BIN", "kavro009.bin",
                                                "kavro099.png", "kavro2.bin"}));
    EXPECT_EQ(1000, NumberAfterExisting(pattern, {"kavro999.bin"}));
}

}  // namespace
