// A temporary folder of the test's own, in the tools' terms: UTF-8 names,
// whole files of bytes.
#ifndef PUKAVRO_TESTS_TEMP_FOLDER_FIXTURE_H
#define PUKAVRO_TESTS_TEMP_FOLDER_FIXTURE_H

#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bytes.h"

// The whole file (empty when it cannot be read).
Bytes ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const Bytes &bytes);
Bytes TextBytes(const char *text);
void MakeFolder(const std::string &path);

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A name inside the folder "files" of the test's own folder.
    std::string Path(const std::string &name) const;
    // The names "files" (or a folder inside it) holds, sorted.
    std::vector<std::string> Listing(const std::string &folder = "") const;

    // Whatever else a test keeps goes here beside "files", so Listing()
    // sees only what the code under test made.
    std::string root;
};

#endif
