#include "server_options.h"

#include <stdio.h>
#include <string.h>

#include "camera_choice.h"
#include "ezusb_device.h"
#include "find_option.h"
#include "jpeg_picture.h"
#include "request_reader.h"

namespace {

const int64_t MAX_TIMEOUT_US = 3600LL * 1000000;  // an hour
const int64_t MIN_TIMEOUT_US = 100000;            // 0.1 s, so tests can wait little

enum OptionId {
    OPT_DEVICE,
    OPT_LISTEN,
    OPT_TOKEN_FILE,
    OPT_MAX_CLIENTS,
    OPT_MAX_PENDING,
    OPT_REQUEST_TIMEOUT,
    OPT_SEND_TIMEOUT,
    OPT_FPS,
    OPT_QUALITY,
    OPT_HELP,
    OPT_VERSION,
};

struct OptionName {
    OptionId id;
    const char *short_name;  // NULL: long form only
    const char *long_name;
    bool takes_value;
};

const OptionName OPTIONS[] = {
    {OPT_DEVICE, "-d", "--device", true},
    {OPT_LISTEN, NULL, "--listen", true},
    {OPT_TOKEN_FILE, NULL, "--token-file", true},
    {OPT_MAX_CLIENTS, NULL, "--max-clients", true},
    {OPT_MAX_PENDING, NULL, "--max-pending", true},
    {OPT_REQUEST_TIMEOUT, NULL, "--request-timeout", true},
    {OPT_SEND_TIMEOUT, NULL, "--send-timeout", true},
    {OPT_FPS, NULL, "--fps", true},
    {OPT_QUALITY, NULL, "--quality", true},
    {OPT_HELP, "-h", "--help", false},
    {OPT_VERSION, NULL, "--version", false},
};

ServeOptionsResult Fail(std::string *problem, const std::string &text)
{
    *problem = text;
    return SERVE_OPTIONS_REFUSED;
}

// A whole decimal number from low to high.
bool ParseNumber(const char *text, int64_t low, int64_t high, int64_t *value)
{
    int64_t result;
    if (!ParseWhole(text, high, &result) || result < low)
        return false;
    *value = result;
    return true;
}

// "10", "0.5" as microseconds, within the time-outs' range.
bool ParseTimeout(const char *text, int64_t *us)
{
    int64_t whole = 0, fraction = 0, scale = 100000;
    int digits = 0;
    const char *c = text;
    for (; *c >= '0' && *c <= '9'; ++c, ++digits) {
        whole = whole * 10 + (*c - '0');
        if (whole > MAX_TIMEOUT_US / 1000000)
            return false;
    }
    if (*c == '.')
        for (++c; *c >= '0' && *c <= '9'; ++c, ++digits) {
            fraction += (*c - '0') * scale;
            scale /= 10;
        }
    int64_t total = whole * 1000000 + fraction;
    if (*c != '\0' || digits == 0 || total < MIN_TIMEOUT_US || total > MAX_TIMEOUT_US)
        return false;
    *us = total;
    return true;
}

bool ParseIpv4(const char *text, size_t length, uint8_t *bytes)
{
    int part = 0, value = -1;
    for (size_t i = 0; i <= length; i++) {
        char c = i < length ? text[i] : '.';
        if (c >= '0' && c <= '9') {
            // No leading zeros: "010" reads as octal elsewhere.
            if (value == 0)
                return false;
            value = (value < 0 ? 0 : value * 10) + (c - '0');
            if (value > 255)
                return false;
        } else if (c == '.' && value >= 0 && part < 4) {
            bytes[part++] = (uint8_t)value;
            value = -1;
        } else {
            return false;
        }
    }
    return part == 4;
}

// Groups of up to four hex digits, one "::" at most; no zone, no dotted
// tail (nobody listens on those here).
bool ParseIpv6(const char *text, size_t length, uint8_t *bytes)
{
    uint16_t groups[8];
    int count = 0;
    int gap = -1;  // where "::" stands among the groups
    size_t i = 0;
    while (i < length) {
        if (text[i] == ':' && i + 1 < length && text[i + 1] == ':') {
            if (gap >= 0)
                return false;
            gap = count;
            i += 2;
            continue;
        }
        if (count > 0 && gap != count) {
            if (text[i] != ':')
                return false;
            i++;
        }
        int value = 0, digits = 0;
        for (; i < length && HexValue(text[i]) >= 0; i++, digits++)
            value = value * 16 + HexValue(text[i]);
        if (digits == 0 || digits > 4 || count == 8)
            return false;
        groups[count++] = (uint16_t)value;
    }
    if (gap < 0 ? count != 8 : count > 7)
        return false;
    int fill = 8 - count;
    memset(bytes, 0, 16);
    for (int g = 0, at = 0; g < count; g++, at++) {
        if (g == gap)
            at += fill;
        bytes[at * 2] = (uint8_t)(groups[g] >> 8);
        bytes[at * 2 + 1] = (uint8_t)groups[g];
    }
    return true;
}

void SetDefaults(ServeOptions *options)
{
    options->command = SERVE_RUN;
    options->device = EZUSB_DEVICE_PATH;
    options->camera_name = "0";
    ParseListenAddress(KAVROSERVE_DEFAULT_LISTEN, &options->listen);
    options->token_file.clear();
    options->max_clients = KAVROSERVE_DEFAULT_MAX_CLIENTS;
    options->max_pending = KAVROSERVE_DEFAULT_MAX_PENDING;
    options->request_timeout_us = KAVROSERVE_DEFAULT_REQUEST_TIMEOUT_S * 1000000LL;
    options->send_timeout_us = KAVROSERVE_DEFAULT_SEND_TIMEOUT_S * 1000000LL;
    options->fps = 0;
    options->quality = JPEG_QUALITY_DEFAULT;
}

ServeOptionsResult SetValue(OptionId id, const std::string &name, const char *value,
                            ServeOptions *options, std::string *problem)
{
    int64_t number = 0;
    std::string not_value = std::string(", not '") + value + "'";
    switch (id) {
    case OPT_DEVICE:
        if (ChooseDevice(value, &options->device) != DEVICE_CHOSEN)
            return Fail(problem, name + " takes a camera number from 0 to "
                                     + std::to_string(EZUSB_CAMERA_NUMBERS - 1)
                                     + " or a device path (" DEVICE_PATH_PREFIX "NAME)"
                                     + not_value);
        options->camera_name = value;
        return SERVE_OPTIONS_ACCEPTED;
    case OPT_LISTEN:
        if (!ParseListenAddress(value, &options->listen))
            return Fail(problem,
                        name + " takes ADDRESS:PORT (127.0.0.1:8080, [::1]:8080)" + not_value);
        return SERVE_OPTIONS_ACCEPTED;
    case OPT_TOKEN_FILE:
        if (*value == '\0')
            return Fail(problem, name + " needs a file");
        options->token_file = value;
        return SERVE_OPTIONS_ACCEPTED;
    case OPT_MAX_CLIENTS:
    case OPT_MAX_PENDING:
        if (!ParseNumber(value, 1, KAVROSERVE_MAX_CLIENTS, &number))
            return Fail(
                problem,
                name + " takes a whole number from 1 to " KAVROSERVE_TEXT(KAVROSERVE_MAX_CLIENTS)
                    + not_value);
        (id == OPT_MAX_CLIENTS ? options->max_clients : options->max_pending) = (int)number;
        return SERVE_OPTIONS_ACCEPTED;
    case OPT_REQUEST_TIMEOUT:
    case OPT_SEND_TIMEOUT:
        if (!ParseTimeout(value, id == OPT_REQUEST_TIMEOUT ? &options->request_timeout_us
                                                           : &options->send_timeout_us))
            return Fail(problem, name + " takes seconds from 0.1 to 3600" + not_value);
        return SERVE_OPTIONS_ACCEPTED;
    case OPT_FPS:
        if (!ParseNumber(value, 1, KAVROSERVE_MAX_FPS, &number))
            return Fail(
                problem,
                name + " takes frames a second from 1 to " KAVROSERVE_TEXT(KAVROSERVE_MAX_FPS)
                    + not_value);
        options->fps = (int)number;
        return SERVE_OPTIONS_ACCEPTED;
    case OPT_QUALITY:
        if (!ParseNumber(value, JPEG_QUALITY_MIN, JPEG_QUALITY_MAX, &number))
            return Fail(problem, name + " takes a JPEG quality from "
                                     + std::to_string(JPEG_QUALITY_MIN) + " to "
                                     + std::to_string(JPEG_QUALITY_MAX) + not_value);
        options->quality = (int)number;
        return SERVE_OPTIONS_ACCEPTED;
    default:
        return SERVE_OPTIONS_ACCEPTED;
    }
}

}  // namespace

bool ParseListenAddress(const char *text, ListenAddress *address)
{
    const char *colon = strrchr(text, ':');
    if (colon == NULL)
        return false;
    int64_t port = 0;
    if (!ParseNumber(colon + 1, 0, 65535, &port))
        return false;
    ListenAddress parsed = {};
    parsed.port = (uint16_t)port;
    size_t length = (size_t)(colon - text);
    if (length >= 2 && text[0] == '[' && text[length - 1] == ']') {
        parsed.ipv6 = true;
        if (!ParseIpv6(text + 1, length - 2, parsed.bytes))
            return false;
    } else if (!ParseIpv4(text, length, parsed.bytes)) {
        return false;
    }
    *address = parsed;
    return true;
}

bool LoopbackAddress(const ListenAddress &address)
{
    if (!address.ipv6)
        return address.bytes[0] == 127;
    for (int i = 0; i < 15; i++)
        if (address.bytes[i] != 0)
            return false;
    return address.bytes[15] == 1;
}

std::string AddressText(const ListenAddress &address, uint16_t port)
{
    char text[64];
    const uint8_t *b = address.bytes;
    if (!address.ipv6) {
        snprintf(text, sizeof text, "%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], port);
        return text;
    }
    // The longest run of two or more zero groups becomes "::".
    int best = -1, best_length = 1;
    for (int g = 0; g < 8;) {
        int end = g;
        while (end < 8 && b[end * 2] == 0 && b[end * 2 + 1] == 0)
            end++;
        if (end - g > best_length) {
            best = g;
            best_length = end - g;
        }
        g = end > g ? end : g + 1;
    }
    std::string out = "[";
    for (int g = 0; g < 8; g++) {
        if (g == best) {
            out += "::";
            g += best_length - 1;
            continue;
        }
        if (!out.empty() && out.back() != '[' && out.back() != ':')
            out += ':';
        snprintf(text, sizeof text, "%x", (unsigned)(b[g * 2] << 8 | b[g * 2 + 1]));
        out += text;
    }
    snprintf(text, sizeof text, "]:%u", port);
    return out + text;
}

ServeOptionsResult ParseServeOptions(const std::vector<std::string> &args, ServeOptions *options,
                                     std::string *problem)
{
    SetDefaults(options);
    for (size_t i = 1; i < args.size(); ++i) {
        const char *arg = args[i].c_str();
        if (strcmp(arg, "/?") == 0) {
            options->command = SERVE_HELP;
            return SERVE_OPTIONS_ACCEPTED;
        }
        const char *value = NULL;
        const OptionName *option = arg[0] == '-' ? FindOption(OPTIONS, arg, &value) : NULL;
        if (option == NULL)
            return Fail(problem, arg[0] == '-' ? std::string("unknown option ") + arg
                                               : std::string("unexpected argument ") + arg);
        if (option->id == OPT_HELP || option->id == OPT_VERSION) {
            options->command = option->id == OPT_HELP ? SERVE_HELP : SERVE_VERSION;
            return SERVE_OPTIONS_ACCEPTED;
        }
        if (value == NULL) {
            if (++i == args.size())
                return Fail(problem, std::string(arg) + " needs a value");
            value = args[i].c_str();
        }
        std::string name = option->short_name != NULL && strncmp(arg, "--", 2) != 0
                               ? option->short_name
                               : option->long_name;
        if (SetValue(option->id, name, value, options, problem) != SERVE_OPTIONS_ACCEPTED)
            return SERVE_OPTIONS_REFUSED;
    }
    // Beyond this machine anyone on the network could watch: always a token.
    if (!LoopbackAddress(options->listen) && options->token_file.empty())
        return Fail(problem, "--listen " + AddressText(options->listen, options->listen.port)
                                 + " is reachable from other machines: it needs --token-file"
                                   " FILE, so that only those who have the token see the camera");
    return SERVE_OPTIONS_ACCEPTED;
}
