// kavrocap's options for pictures: --quality (JPEG), --stamp and
// --stamp-at (a time stamp drawn into pictures and movies, never into raw
// frames) and --scale (stills enlarged before the stamp). Platform-free.
#ifndef PUKAVRO_KAVROCAP_STILL_OPTIONS_H
#define PUKAVRO_KAVROCAP_STILL_OPTIONS_H

#include <string>

#include "options.h"
#include "jpeg_picture.h"
#include "picture.h"

#define KAVROCAP_DEFAULT_STAMP_AT "br"

enum StillOptionResult { STILL_OPTION_ACCEPTED, STILL_OPTION_REFUSED };

void SetStillDefaults(CaptureOptions *options);

// One of the four options, given as name, with its value.
StillOptionResult SetStillValue(const std::string &name, const char *value, CaptureOptions *options,
                                std::string *problem);

// Once the format is settled: each option goes with the outputs it
// changes, and the longest stamp the format makes fits the picture.
StillOptionResult CheckStillOptions(const CaptureOptions &options, std::string *problem);

// What {camera} says: the camera's number, or its path when it has none.
std::string CameraText(const std::string &device);

// The settings of a frame's still (or a movie's frame: scale 1), taken at
// moment as number.
StillSettings StillFor(const CaptureOptions &options, const CaptureMoment &moment, int64_t number);

#endif
