// kavroserve's command line: which camera, where to listen, the token
// file, the limits on clients, and the frames' rate and quality.
// Platform-free.
#ifndef PUKAVRO_KAVROSERVE_SERVER_OPTIONS_H
#define PUKAVRO_KAVROSERVE_SERVER_OPTIONS_H

#include <stdint.h>

#include <string>
#include <vector>

// How it names itself in every line it reports.
#define KAVROSERVE_NAME "kavroserve"

// The defaults, as the code takes them and --help tells them.
#define KAVROSERVE_DEFAULT_LISTEN "127.0.0.1:8080"
#define KAVROSERVE_DEFAULT_MAX_CLIENTS 16
#define KAVROSERVE_DEFAULT_MAX_PENDING 64
#define KAVROSERVE_DEFAULT_REQUEST_TIMEOUT_S 10
#define KAVROSERVE_DEFAULT_SEND_TIMEOUT_S 10
#define KAVROSERVE_MAX_CLIENTS 1000
#define KAVROSERVE_MAX_FPS 100

// A number above as the text of a string literal.
#define KAVROSERVE_TEXT(number) KAVROSERVE_TEXT_OF(number)
#define KAVROSERVE_TEXT_OF(number) #number

// An address to listen on, as --listen names it.
struct ListenAddress {
    bool ipv6;
    uint8_t bytes[16];  // IPv4 in the first 4
    uint16_t port;      // 0: the system picks one
};

// "a.b.c.d:port" or "[v6]:port" (port 0 to 65535).
bool ParseListenAddress(const char *text, ListenAddress *address);
// Whether address is this machine's alone: 127.0.0.0/8 or ::1.
bool LoopbackAddress(const ListenAddress &address);
// "127.0.0.1:8080", "[::1]:8080", as a URL's authority takes it.
std::string AddressText(const ListenAddress &address, uint16_t port);

enum ServeCommand { SERVE_RUN, SERVE_HELP, SERVE_VERSION };

struct ServeOptions {
    ServeCommand command;
    std::string device;       // the camera's device path, UTF-8
    std::string camera_name;  // "0", or the device path as given
    ListenAddress listen;
    std::string token_file;  // UTF-8; "": no token
    int max_clients;
    int max_pending;
    int64_t request_timeout_us;
    int64_t send_timeout_us;
    int fps;  // 0: as the camera gives them
    int quality;
};

enum ServeOptionsResult { SERVE_OPTIONS_ACCEPTED, SERVE_OPTIONS_REFUSED };

// Reads args (args[0] is the program's name). On SERVE_OPTIONS_REFUSED,
// problem says what is wrong in one line.
ServeOptionsResult ParseServeOptions(const std::vector<std::string> &args, ServeOptions *options,
                                     std::string *problem);

extern const char KAVROSERVE_USAGE[];  // one line
extern const char KAVROSERVE_HELP[];   // the whole --help text

#endif
