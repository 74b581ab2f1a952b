// A run's movie: every frame the run keeps goes into the one file, which is
// complete (every frame so far readable by any player) at least once a
// second and at the end. The file is made when the first frame arrives, so
// a run that records nothing leaves nothing, not even an empty movie.
#ifndef PUKAVRO_KAVROCAP_RECORD_MOVIE_H
#define PUKAVRO_KAVROCAP_RECORD_MOVIE_H

#include <stdint.h>

#include <string>

#include "movie_writer.h"
#include "options.h"

struct MovieRecording {
    std::string path;
    FrameRate rate;
    int measure_rate;  // a burst without --fps plays at its own pace
    uint64_t part_limit;
    MovieFile file;
    MovieWriter writer;
    int started;           // the file is open
    int64_t first_us;      // when the first frame arrived
    int64_t last_us;       // ... and the last
    int64_t completed_us;  // the last completion point
};

enum RecordResult { RECORD_OK, RECORD_FAILED };

void StartRecording(MovieRecording *recording, const std::string &path,
                    const CaptureOptions &options);

// Adds a frame's painted bits (DISPLAY_IMAGE_BYTES) that arrived at now_us. next_us is when the next one is
// expected: frames are left waiting in memory only when it comes within a
// second of the last completion point. On RECORD_FAILED the recording has
// stopped and reason says why.
RecordResult RecordFrame(MovieRecording *recording, const uint8_t *bits, int64_t now_us,
                         int64_t next_us, std::string *reason);

// A completion point now, for frames that would otherwise wait longer than a
// second (the camera failing, a long wait).
RecordResult CompleteRecording(MovieRecording *recording, std::string *reason);

// The last completion point; the file is closed, and removed when it holds
// no frame. Safe to call more than once.
RecordResult FinishRecording(MovieRecording *recording, std::string *reason);

// The frames the movie holds, or will hold once complete.
uint32_t RecordedFrames(const MovieRecording *recording);

#endif
