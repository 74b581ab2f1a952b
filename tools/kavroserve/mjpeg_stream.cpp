// The stream's framing and its pace: a picture as soon as a frame is new to
// the client, else the last again each second so readers with a timeout
// (ffmpeg, go2rtc) keep reading, and a "no camera" picture once the
// camera has been quiet for long.
#include "mjpeg_stream.h"

#include "answers.h"

std::string StreamHead(bool head)
{
    std::string answer = "HTTP/1.1 200 OK\r\n"
                         "Content-Type: multipart/x-mixed-replace;boundary=" STREAM_BOUNDARY "\r\n"
                         "Cache-Control: no-store, no-cache, must-revalidate, max-age=0\r\n"
                         "Pragma: no-cache\r\n"
                         "Connection: close\r\n\r\n";
    if (!head)
        answer += "--" STREAM_BOUNDARY "\r\n";
    return answer;
}

std::string PartHead(size_t length, int64_t wall_us)
{
    return "Content-Type: image/jpeg\r\nContent-Length: " + std::to_string(length)
           + "\r\nX-Timestamp: " + TimestampText(wall_us) + "\r\n\r\n";
}

std::string PartTail()
{
    return "\r\n--" STREAM_BOUNDARY "\r\n";
}

StreamSend NextPart(uint64_t newest_sequence, int64_t newest_us, uint64_t sent_sequence,
                    int64_t last_part_us, int64_t now_us)
{
    bool fresh = newest_sequence != 0 && now_us - newest_us < STREAM_NO_CAMERA_US;
    if (fresh && newest_sequence != sent_sequence)
        return SEND_NEWEST;
    if (now_us - last_part_us < STREAM_REPEAT_US)
        return SEND_NOTHING;
    return fresh ? SEND_REPEAT : SEND_NO_CAMERA;
}
