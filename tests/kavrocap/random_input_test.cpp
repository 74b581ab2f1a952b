// Many seeded random inputs to the parsers: nothing crashes, every refusal
// says why, and what is accepted comes back the same way round.
#include <stdint.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "options.h"
#include "pattern.h"

namespace {

const unsigned SEED = 20261208;
const int ROUNDS = 20000;

std::string Pick(std::mt19937 *random, const std::vector<std::string> &choices)
{
    return choices[(*random)() % choices.size()];
}

// Pieces that make patterns: valid and broken sequences, separators,
// characters Windows refuses, reserved names, UTF-8.
const std::vector<std::string> PATTERN_PIECES = {
    "{n}", "{n:03}", "{n:09}", "{n:0",     "%d",           "%04d", "%5d", "%%", "%", "{{",
    "}}",  "{",      "}",      "{date}",   "{time}",       "{ms}", "{x}", "a",  "Z", "7",
    ".",   ".bin",   ".png",   "/",        "\\",           "C:",   ":",   "?",  "*", "<",
    " ",   "NUL",    "com1",   "\xc3\xa9", "\xe5\x86\x99", "\t",   "-",
};

TEST(RandomInput, PatternsRoundTrip)
{
    std::mt19937 random(SEED);
    int accepted = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        std::string text;
        int pieces = static_cast<int>(random() % 7);
        for (int i = 0; i < pieces; ++i)
            text += Pick(&random, PATTERN_PIECES);
        NamePattern pattern;
        std::string problem;
        if (ParseNamePattern(text.c_str(), &pattern, &problem) != NAME_ACCEPTED) {
            EXPECT_FALSE(problem.empty()) << text;
            continue;
        }
        ++accepted;
        int64_t number = static_cast<int64_t>(random() % 2000000000);
        FrameTime time = {
            static_cast<int>(2000 + random() % 100), static_cast<int>(1 + random() % 12),
            static_cast<int>(1 + random() % 28),     static_cast<int>(random() % 24),
            static_cast<int>(random() % 60),         static_cast<int>(random() % 60),
            static_cast<int>(random() % 1000)};
        std::string path = FormatOutputName(pattern, number, time);
        ASSERT_EQ(0u, path.find(pattern.folder)) << text;
        std::string name = path.substr(pattern.folder.size());
        int64_t matched = -1;
        ASSERT_TRUE(MatchOutputName(pattern, name.c_str(), &matched)) << text << " -> " << name;
        EXPECT_EQ(path, FormatOutputName(pattern, matched, time)) << text;
        if (pattern.has_number) {
            EXPECT_EQ(number + 1, NumberAfterExisting(pattern, {name})) << text;
        }
        EXPECT_EQ(std::string::npos, name.find_first_of("<>:\"|?*/\\")) << text;
    }
    // The pieces are chosen so that both outcomes are common.
    EXPECT_GT(accepted, ROUNDS / 10);
    EXPECT_LT(accepted, ROUNDS * 9 / 10);
}

const std::vector<std::string> ARG_PIECES = {
    "-n",        "--count", "-i",         "--interval",  "-s",         "--skip",    "-f",
    "--format",  "--start", "--continue", "--overwrite", "-t",         "--timeout", "-r",
    "--retries", "-d",      "--device",   "-q",          "--quiet",    "--",        "-",
    "0",         "1",       "17",         "2.5",         "-1",         "x",         "",
    "png",       "RAW",     "bmp",        "f{n}.png",    "{time}.bin", "a.bin",     "--count=3",
    "-n4",       "--bogus", "-h",         "/?",          "--version",
};

TEST(RandomInput, CommandLinesNeverCrash)
{
    std::mt19937 random(SEED + 1);
    int accepted = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        std::vector<std::string> args = {"kavrocap"};
        int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i)
            args.push_back(Pick(&random, ARG_PIECES));
        CaptureOptions options;
        std::string problem;
        if (ParseCaptureOptions(args, &options, &problem) != OPTIONS_ACCEPTED) {
            EXPECT_FALSE(problem.empty());
            continue;
        }
        ++accepted;
        if (options.command != COMMAND_CAPTURE)
            continue;
        EXPECT_GE(options.count, 0);
        EXPECT_GE(options.timeout_ms, 1);
        EXPECT_TRUE(options.to_stdout || options.count == 1 || options.pattern.has_number
                    || options.pattern.has_time);
    }
    EXPECT_GT(accepted, ROUNDS / 10);
}

// A random valid run written out in random order and random spellings reads
// back as the same options.
TEST(RandomInput, OptionsRoundTrip)
{
    std::mt19937 random(SEED + 2);
    for (int round = 0; round < ROUNDS / 4; ++round) {
        std::vector<std::vector<std::string>> groups;
        int64_t count = random() % 5;
        int64_t skip = random() % 4, retries = random() % 5, start = random() % 1000;
        int64_t interval_ms = random() % 3000, timeout_ms = 1 + random() % 9000;
        const char *formats[] = {"raw", "bmp", "png"};
        int format = static_cast<int>(random() % 3);
        std::string device = "\\\\.\\ezusb-" + std::to_string(random() % 4);
        char interval_text[32], timeout_text[32];
        snprintf(interval_text, sizeof interval_text, "%lld.%03lld",
                 static_cast<long long>(interval_ms / 1000),
                 static_cast<long long>(interval_ms % 1000));
        snprintf(timeout_text, sizeof timeout_text, "%lld.%03lld",
                 static_cast<long long>(timeout_ms / 1000),
                 static_cast<long long>(timeout_ms % 1000));
        struct {
            const char *short_name, *long_name;
            std::string value;
        } valued[] = {
            {"-n", "--count", std::to_string(count)},     {"-s", "--skip", std::to_string(skip)},
            {"-r", "--retries", std::to_string(retries)}, {NULL, "--start", std::to_string(start)},
            {"-i", "--interval", interval_text},          {"-t", "--timeout", timeout_text},
            {"-f", "--format", formats[format]},          {"-d", "--device", device},
        };
        for (const auto &option : valued) {
            int form = static_cast<int>(random() % 4);
            if (option.short_name == NULL)
                form = 2 + form % 2;
            if (form == 0)
                groups.push_back({option.short_name, option.value});
            else if (form == 1)
                groups.push_back({option.short_name + option.value});
            else if (form == 2)
                groups.push_back({option.long_name, option.value});
            else
                groups.push_back({std::string(option.long_name) + "=" + option.value});
        }
        int quiet = random() % 2, overwrite = random() % 2;
        if (quiet)
            groups.push_back({random() % 2 ? "-q" : "--quiet"});
        if (overwrite)
            groups.push_back({"--overwrite"});
        std::string output = random() % 2 ? "dir/f{n:04}_{time}.x" : "-";
        std::shuffle(groups.begin(), groups.end(), random);
        std::vector<std::string> args = {"kavrocap"};
        for (const auto &group : groups)
            args.insert(args.end(), group.begin(), group.end());
        if (output == "-" || random() % 2)
            args.push_back(output);
        else
            args.insert(args.end(), {"--", output});

        CaptureOptions options;
        std::string problem;
        ASSERT_EQ(OPTIONS_ACCEPTED, ParseCaptureOptions(args, &options, &problem)) << problem;
        EXPECT_EQ(count, options.count);
        EXPECT_EQ(skip, options.skip);
        EXPECT_EQ(retries, options.retries);
        EXPECT_EQ(start, options.start);
        EXPECT_EQ(interval_ms * 1000, options.interval_us);
        EXPECT_EQ(timeout_ms, options.timeout_ms);
        EXPECT_EQ(format, static_cast<int>(options.format));
        EXPECT_EQ(device, options.device);
        EXPECT_EQ(quiet, options.quiet);
        EXPECT_EQ(overwrite, options.overwrite);
        EXPECT_EQ(output, options.output);
        EXPECT_EQ(output == "-", options.to_stdout);
    }
}

}  // namespace
