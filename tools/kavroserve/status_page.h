// What /status and / show: the server's state as JSON, and the small page
// with the stream in an <img> that reconnects by itself. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_STATUS_PAGE_H
#define PUKAVRO_KAVROSERVE_STATUS_PAGE_H

#include <stdint.h>

#include <string>

struct StatusFacts {
    std::string camera;  // the device, UTF-8
    bool present;
    uint64_t frames_taken;
    int clients;  // stream clients now
    double fps;
    int64_t uptime_us;
    const char *version;
};

// One JSON object, keys "camera", "present", "frames", "clients", "fps",
// "uptime", "version", and a final newline.
std::string StatusJson(const StatusFacts &facts);

// The page: the picture from "stream" (relative, so any path and any token
// in the page's own query reach it), reconnecting with a growing wait when
// the stream ends, stopping at a 401, and the status read from "status".
const std::string &PageHtml();

#endif
