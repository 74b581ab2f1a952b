// The stream's bytes: a multipart/x-mixed-replace answer whose parts are
// whole JPEG pictures, framed as readers of such streams expect (a
// boundary line before each part, Content-Length on every part, lines
// under 128 bytes), and when the stream sends what. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_MJPEG_STREAM_H
#define PUKAVRO_KAVROSERVE_MJPEG_STREAM_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#define STREAM_BOUNDARY "kavroserveframe"

enum {
    STREAM_REPEAT_US = 1000000,     // nothing new for this long: the last frame again
    STREAM_NO_CAMERA_US = 3000000,  // nothing new for this long: the "no camera" picture
};

// The answer's head and the first boundary line (for HEAD: the head alone).
std::string StreamHead(bool head);

// What comes before a part's JPEG of length bytes taken at wall_us; after
// the JPEG comes PartTail().
std::string PartHead(size_t length, int64_t wall_us);
// CRLF and the next boundary line.
std::string PartTail();

enum StreamSend {
    SEND_NOTHING,    // wait
    SEND_NEWEST,     // the newest frame, new to this client
    SEND_REPEAT,     // the newest frame again, so the reader does not time out
    SEND_NO_CAMERA,  // the "no camera" picture
};

// What a client waiting for its next part gets now: newest_sequence is the
// newest frame's number (0: none yet), newest_us when it arrived; sent_
// sequence the last this client was sent (0: none), last_part_us when its
// last part of any kind went out (its stream's start before the first).
StreamSend NextPart(uint64_t newest_sequence, int64_t newest_us, uint64_t sent_sequence,
                    int64_t last_part_us, int64_t now_us);

#endif
