#include "converter_fixture.h"

#include <stdio.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "frame.h"
#include "kavroconv.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

Bytes ReadBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &path, const Bytes &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write((const char *)bytes.data(), (std::streamsize)bytes.size());
    ASSERT_TRUE(file.good()) << path;
}

Bytes MixedFrame()
{
    Bytes frame(RAW_FRAME_BYTES);
    uint32_t state = 12345;
    for (uint8_t &byte : frame) {
        state = state * 1103515245u + 12345u;
        byte = (uint8_t)(state >> 16);
    }
    return frame;
}

Bytes TopLineFrame()
{
    Bytes frame(RAW_FRAME_BYTES, 0);
    for (int x = 0; x < FRAME_WIDTH * 2; x += 4) {
        frame[x] = 200;      // U
        frame[x + 1] = 100;  // Y0
        frame[x + 2] = 50;   // V
        frame[x + 3] = 100;  // Y1
    }
    return frame;
}

void ConverterTest::SetUp()
{
    // The captured streams live beside the folder, so Listing() sees only
    // what the tool made.
    for (int attempt = 0;; ++attempt) {
        root = fs::temp_directory_path()
               / ("kavroconv-test-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
        if (fs::create_directory(root))
            break;
    }
    fs::create_directory(root / "files");
}

void ConverterTest::TearDown()
{
    fs::remove_all(root);
}

std::string ConverterTest::Path(const std::string &name) const
{
    return (root / "files" / name).string();
}

std::vector<std::string> ConverterTest::Listing() const
{
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(root / "files"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int ConverterTest::Run(const std::vector<std::string> &args)
{
    std::vector<std::string> argv = {"kavroconv"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out_name = (root / "stdout").string();
    std::string err_name = (root / "stderr").string();
    FILE *out = fopen(out_name.c_str(), "wb");
    FILE *err = fopen(err_name.c_str(), "wb");
    EXPECT_TRUE(out != NULL && err != NULL);
    int status = RunKavroconv(argv, out, err);
    fclose(out);
    fclose(err);
    Bytes out_bytes = ReadBytes(out_name), err_bytes = ReadBytes(err_name);
    out_text.assign(out_bytes.begin(), out_bytes.end());
    err_text.assign(err_bytes.begin(), err_bytes.end());
    return status;
}
