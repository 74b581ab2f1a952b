// Runs kavroconv in-process inside a temporary folder of its own, with what
// it prints kept for the test to read.
#ifndef PUKAVRO_CONVERTER_FIXTURE_H
#define PUKAVRO_CONVERTER_FIXTURE_H

#include <stdint.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

typedef std::vector<uint8_t> Bytes;

Bytes ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const Bytes &bytes);

// A frame whose every byte differs from its neighbours in no simple pattern.
Bytes MixedFrame();

// Row 0 (the top line) all Y=100, U=200, V=50, so blue 227, green 136,
// red 0 but for its last pixel; every other byte 0, so green 0,139,0.
Bytes TopLineFrame();

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A name inside the test's folder.
    std::string Path(const std::string &name) const;
    // The names the folder holds, sorted.
    std::vector<std::string> Listing() const;
    // Runs "kavroconv ARGS..."; keeps stdout in out_text and stderr in err_text.
    int Run(const std::vector<std::string> &args);

    std::filesystem::path root;
    std::string out_text, err_text;
};

#endif
