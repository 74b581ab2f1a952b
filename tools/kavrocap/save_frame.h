// A frame kept: its file's bytes, written whole under its name or to the
// output stream.
#ifndef PUKAVRO_KAVROCAP_SAVE_FRAME_H
#define PUKAVRO_KAVROCAP_SAVE_FRAME_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "output_format.h"
#include "picture.h"

enum SaveResult { FRAME_KEPT, FRAME_NOT_KEPT };

// The bytes of the file of frame in the run's format; a picture made as
// still says, a raw frame as the camera sent it.
EncodeResult EncodeFrame(const uint8_t *frame, OutputFormat format, const StillSettings &still,
                         std::vector<uint8_t> *bytes);

// Writes bytes to path as a whole file. On FRAME_NOT_KEPT, reason says why
// ("PATH: file exists", "PATH: write failed: ...").
SaveResult SaveFile(const std::string &path, const std::vector<uint8_t> &bytes, bool replace,
                    std::string *reason);

// Appends bytes to out (switched to binary). FRAME_NOT_KEPT when it takes
// no more (a closed pipe).
SaveResult WriteToOutput(FILE *out, const std::vector<uint8_t> &bytes);

#endif
