#include "still_options.h"

#include <string.h>

#include "camera_choice.h"
#include "jpeg_picture.h"
#include "picture_scale.h"

namespace {

const struct {
    const char *word;
    StampCorner corner;
} CORNERS[] = {
    {"tl", STAMP_TOP_LEFT},
    {"tr", STAMP_TOP_RIGHT},
    {"bl", STAMP_BOTTOM_LEFT},
    {"br", STAMP_BOTTOM_RIGHT},
};

// The frame numbers of a run never pass this: --start's top plus -n's.
const int64_t HIGHEST_NUMBER = 999999999LL + 2147483647LL;

bool CornerOf(const char *word, StampCorner *corner)
{
    for (const auto &entry : CORNERS)
        if (strcmp(word, entry.word) == 0) {
            *corner = entry.corner;
            return true;
        }
    return false;
}

StillOptionResult Refuse(std::string *problem, const std::string &text)
{
    *problem = text;
    return STILL_OPTION_REFUSED;
}

bool ReadWhole(const char *text, int low, int high, int *value)
{
    int result = 0;
    if (*text == '\0' || strlen(text) > 3)
        return false;
    for (const char *c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        result = result * 10 + (*c - '0');
    }
    if (result < low || result > high)
        return false;
    *value = result;
    return true;
}

}  // namespace

void SetStillDefaults(CaptureOptions *options)
{
    options->quality = JPEG_QUALITY_DEFAULT;
    options->stamp_given = 0;
    options->stamp.clear();
    CornerOf(KAVROCAP_DEFAULT_STAMP_AT, &options->stamp_at);
    options->scale = 1;
    options->quality_given = options->stamp_at_given = options->scale_given = 0;
}

StillOptionResult SetStillValue(const std::string &name, const char *value, CaptureOptions *options,
                                std::string *problem)
{
    if (name == "--quality") {
        options->quality_given = 1;
        if (!ReadWhole(value, JPEG_QUALITY_MIN, JPEG_QUALITY_MAX, &options->quality))
            return Refuse(problem, "--quality takes a whole number from 1 to 100, not '"
                                       + std::string(value) + "'");
        return STILL_OPTION_ACCEPTED;
    }
    if (name == "--scale") {
        options->scale_given = 1;
        if (!ReadWhole(value, SCALE_MIN, SCALE_MAX, &options->scale))
            return Refuse(problem, "--scale takes a whole factor from 1 to 8, not '"
                                       + std::string(value) + "'");
        return STILL_OPTION_ACCEPTED;
    }
    if (name == "--stamp-at") {
        options->stamp_at_given = 1;
        if (CornerOf(value, &options->stamp_at))
            return STILL_OPTION_ACCEPTED;
        return Refuse(problem,
                      "--stamp-at takes tl, tr, bl or br, not '" + std::string(value) + "'");
    }
    options->stamp_given = 1;
    if (ParseStampFormat(value, &options->stamp, problem) != STAMP_FORMAT_READ)
        return STILL_OPTION_REFUSED;
    if (options->stamp.empty())
        return Refuse(problem, "--stamp needs a text to draw");
    return STILL_OPTION_ACCEPTED;
}

StillOptionResult CheckStillOptions(const CaptureOptions &options, std::string *problem)
{
    if (options.quality_given && options.format != FORMAT_JPEG)
        return Refuse(problem, "--quality goes with JPEG (OUTPUT ending in .jpg, or -f jpeg)");
    if (options.stamp_at_given && !options.stamp_given)
        return Refuse(problem, "--stamp-at goes with --stamp");
    if (options.format == FORMAT_RAW && (options.stamp_given || options.scale_given))
        return Refuse(problem, std::string(options.stamp_given ? "--stamp" : "--scale")
                                   + " draws into pictures; raw frames stay as the camera sent "
                                     "them: give -f bmp, png, jpeg or avi");
    if ((options.format == FORMAT_PNG16 || options.format == FORMAT_RAW16)
        && (options.stamp_given || options.scale_given))
        return Refuse(problem, std::string(options.stamp_given ? "--stamp" : "--scale")
                                   + " draws into 8-bit pictures (bmp, png, jpeg) and movies, not "
                                     "png16 or raw16");
    if (options.movie && options.scale_given)
        return Refuse(problem, "--scale enlarges pictures; a movie stays 96 x 72");
    if (!options.stamp_given)
        return STILL_OPTION_ACCEPTED;
    int64_t highest = options.continue_numbering || options.count == 0
                          ? HIGHEST_NUMBER
                          : options.start + options.count - 1;
    int longest = LongestStamp(options.stamp, highest, CameraText(options.device));
    int width = FRAME_WIDTH * options.scale;
    if (!StampFits(longest, width))
        return Refuse(
            problem, "--stamp makes up to " + std::to_string(longest) + " characters, "
                         + std::to_string(StampWidth(longest))
                         + " pixels wide, too wide for a picture " + std::to_string(width)
                         + " pixels wide: "
                         + (options.movie ? "a movie stays 96 x 72" : "--scale enlarges pictures"));
    return STILL_OPTION_ACCEPTED;
}

std::string CameraText(const std::string &device)
{
    for (int number = 0; number < EZUSB_CAMERA_NUMBERS; ++number)
        if (device == EzusbDevicePath(number))
            return std::to_string(number);
    return device;
}

StillSettings StillFor(const CaptureOptions &options, const CaptureMoment &moment, int64_t number)
{
    StillSettings still = PlainStill();
    still.scale = options.movie ? 1 : options.scale;
    still.corner = options.stamp_at;
    still.quality = options.quality;
    if (options.stamp_given)
        still.stamp = StampText(options.stamp, {moment, number, CameraText(options.device)});
    still.exif.has_moment = 1;
    still.exif.moment = moment;
    still.exif.device = options.device;
    return still;
}
