#include "converter_fixture.h"

#include <stdio.h>

#include "files.h"
#include "frame.h"
#include "kavroconv.h"

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

int ConverterTest::Run(const std::vector<std::string> &args)
{
    std::vector<std::string> argv = {"kavroconv"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out_name = PathIn(root, "stdout");
    std::string err_name = PathIn(root, "stderr");
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
