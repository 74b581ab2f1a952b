// Runs kavroconv in-process inside a temporary folder of its own, with what
// it prints kept for the test to read.
#ifndef PUKAVRO_CONVERTER_FIXTURE_H
#define PUKAVRO_CONVERTER_FIXTURE_H

#include <string>
#include <vector>

#include "temp_folder_fixture.h"

// What every wrong command line ends with.
const char USAGE[] = "usage: kavroconv [--format bmp|png|avi|jpeg] [-o OUTPUT] [--fps R]\n"
                     "                 [--quality Q] [-q] FILE.bin...\n"
                     "       kavroconv --repair [-q] MOVIE.avi...\n";

// A frame whose every byte differs from its neighbours in no simple pattern.
Bytes MixedFrame();

// Row 0 (the top line) all Y=100, U=200, V=50, so blue 227, green 136,
// red 0 but for its last pixel; every other byte 0, so green 0,139,0.
Bytes TopLineFrame();

class ConverterTest : public TempFolderTest {
protected:
    // Runs "kavroconv ARGS..."; keeps stdout in out_text and stderr in err_text.
    int Run(const std::vector<std::string> &args);

    std::string out_text, err_text;
};

#endif
