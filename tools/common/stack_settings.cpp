#include "stack_settings.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "utf8_names.h"

namespace {

const struct {
    StackMethod method;
    const char *word;
} METHODS[] = {{STACK_MEAN, "mean"}, {STACK_MEDIAN, "median"}, {STACK_CLIP, "clip"}};

// The whole of a small file, up to limit bytes (one more tells a longer
// file). false with problem set when it cannot be read.
bool ReadSmallFile(const std::string &path, size_t limit, std::string *bytes, std::string *problem)
{
    FILE *file = OpenUtf8(path.c_str(), "rb");
    if (file == NULL) {
        *problem = path
                   + (errno == ENOENT ? ": no such file"
                                      : ": cannot read: " + std::string(strerror(errno)));
        return false;
    }
    bytes->resize(limit + 1);
    size_t got = fread(&(*bytes)[0], 1, limit + 1, file);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) {
        *problem = path + ": read failed";
        return false;
    }
    bytes->resize(got);
    return true;
}

bool ReadHotPixelList(const std::string &path, uint8_t *hot, int *count, std::string *problem)
{
    std::string text;
    const size_t LIMIT = 1 << 20;
    if (!ReadSmallFile(path, LIMIT, &text, problem))
        return false;
    if (text.size() > LIMIT) {
        *problem = path + ": more than 1 MiB, not a list of hot pixels";
        return false;
    }
    size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string entry = text.substr(start, end - start);
        start = end + 1;
        size_t first = entry.find_first_not_of(" \t\r");
        if (first == std::string::npos || entry[first] == '#')
            continue;
        int x = -1, y = -1, used = 0;
        if (sscanf(entry.c_str(), "%d %d %n", &x, &y, &used) != 2 || entry[used] != '\0' || x < 0
            || x >= FRAME_WIDTH || y < 0 || y >= FRAME_HEIGHT) {
            *problem = path + " line " + std::to_string(line) + ": not \"X Y\" with X 0-"
                       + std::to_string(FRAME_WIDTH - 1) + " and Y 0-"
                       + std::to_string(FRAME_HEIGHT - 1) + ": " + entry;
            return false;
        }
        *count += hot[y * FRAME_WIDTH + x] ? 0 : 1;
        hot[y * FRAME_WIDTH + x] = 1;
    }
    return true;
}

}  // namespace

void ClearStackSettings(StackSettings *settings)
{
    settings->average = 0;
    settings->method = STACK_MEAN;
    settings->method_given = 0;
    settings->dark.clear();
    settings->hot = HOT_PIXELS_NONE;
    settings->hot_list.clear();
}

bool StacksFrames(const StackSettings &settings, OutputFormat format)
{
    return settings.average > 0 || !settings.dark.empty() || settings.hot != HOT_PIXELS_NONE
           || format == FORMAT_PNG16 || format == FORMAT_RAW16;
}

bool SetStackMethod(const std::string &option, const char *word, StackSettings *settings,
                    std::string *problem)
{
    for (const auto &entry : METHODS) {
        if (strcmp(word, entry.word) == 0) {
            settings->method = entry.method;
            settings->method_given = 1;
            return true;
        }
    }
    *problem = option + " takes mean, median or clip, not '" + word + "'";
    return false;
}

const char *StackMethodWord(StackMethod method)
{
    for (const auto &entry : METHODS)
        if (entry.method == method)
            return entry.word;
    return "mean";
}

void SetHotPixels(const char *value, StackSettings *settings)
{
    settings->hot = strcmp(value, "auto") == 0   ? HOT_PIXELS_AUTO
                    : strcmp(value, "none") == 0 ? HOT_PIXELS_NONE
                                                 : HOT_PIXELS_LIST;
    settings->hot_list = settings->hot == HOT_PIXELS_LIST ? value : "";
}

std::string StackSettingsProblem(const StackSettings &settings, int64_t frames)
{
    if (settings.method_given && settings.average == 0)
        return "--stack goes with --average";
    if (settings.method == STACK_CLIP && frames < STACK_CLIP_LEAST_FRAMES)
        return "--stack clip needs at least " + std::to_string(STACK_CLIP_LEAST_FRAMES)
               + " frames, not " + std::to_string(frames);
    if (settings.hot == HOT_PIXELS_AUTO && settings.dark.empty())
        return "--hot-pixels auto finds them in the dark: give --dark FILE";
    return "";
}

bool ReadStackInput(const std::string &path, uint16_t *samples, bool *was_raw16,
                    std::string *problem)
{
    std::string bytes;
    if (!ReadSmallFile(path, RAW16_FRAME_BYTES, &bytes, problem))
        return false;
    const uint8_t *data = (const uint8_t *)bytes.data();
    *was_raw16 = bytes.size() == RAW16_FRAME_BYTES;
    if (*was_raw16) {
        DecodeRaw16(data, samples);
        return true;
    }
    if (bytes.size() == RAW_FRAME_BYTES) {
        for (int i = 0; i < RAW_FRAME_BYTES; ++i)
            samples[i] = (uint16_t)(data[i] * RAW16_ONE);
        return true;
    }
    *problem = path + ": not a frame (" + std::to_string(RAW_FRAME_BYTES)
               + " bytes) or a 16-bit stack (" + std::to_string(RAW16_FRAME_BYTES) + " bytes): "
               + (bytes.size() > RAW16_FRAME_BYTES ? "more" : std::to_string(bytes.size()))
               + " bytes";
    return false;
}

CorrectionsResult ReadStackCorrections(const StackSettings &settings, StackCorrections *corrections,
                                       std::string *problem)
{
    corrections->has_dark = 0;
    corrections->hot_count = 0;
    memset(corrections->hot, 0, sizeof corrections->hot);
    if (!settings.dark.empty()) {
        uint16_t samples[RAW_FRAME_BYTES];
        bool was_raw16 = false;
        if (!ReadStackInput(settings.dark, samples, &was_raw16, problem))
            return CORRECTIONS_REFUSED;
        MakeDarkFrame(samples, &corrections->dark);
        corrections->has_dark = 1;
        if (settings.hot == HOT_PIXELS_AUTO)
            corrections->hot_count = FindHotPixels(samples, corrections->hot);
    }
    if (settings.hot == HOT_PIXELS_LIST
        && !ReadHotPixelList(settings.hot_list, corrections->hot, &corrections->hot_count, problem))
        return CORRECTIONS_REFUSED;
    return CORRECTIONS_READ;
}

void FinishStack(const FrameStack *stack, const StackCorrections *corrections, double *averages)
{
    StackAverages(stack, corrections->has_dark ? &corrections->dark : NULL, averages);
    if (corrections->hot_count > 0)
        RepairHotPixels(corrections->hot, averages);
}
