// Runs every file of a corpus folder through the fuzz target's body, so
// the seeds and what the fuzzer once found stay checked in every build
// that has no libFuzzer; fails on an empty or unreadable folder.
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "request_check.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: request_corpus_replay FOLDER\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::directory_iterator files(argv[1], error);
    if (error) {
        fprintf(stderr, "request_corpus_replay: cannot read %s: %s\n", argv[1],
                error.message().c_str());
        return 1;
    }
    int count = 0;
    for (const std::filesystem::directory_entry &file : files) {
        if (!file.is_regular_file())
            continue;
        std::ifstream in(file.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            fprintf(stderr, "request_corpus_replay: cannot read %s\n", file.path().c_str());
            return 1;
        }
        CheckRequestBytes(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        ++count;
    }
    printf("request_corpus_replay: %d inputs checked\n", count);
    if (count == 0) {
        fprintf(stderr, "request_corpus_replay: no inputs in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
