// What the end-to-end tests of kavroserve share: the server started as a
// process of its own on a port the system picks, requests sent and read
// over sockets of the test's own, curl run from the Unix side, and one
// strict reader of the stream's framing (go2rtc's rules: a line starting
// with "--" before each part, "Name: value" header lines, Content-Length
// required and exact) that every test reads parts with. Windows only.
#ifndef PUKAVRO_TESTS_SERVE_SUPPORT_H
#define PUKAVRO_TESTS_SERVE_SUPPORT_H

// windows.h declares the sockets of Winsock 1.1, all the tests use; the
// tests include it first, through their precompiled headers.
#include <windows.h>
#include <stdint.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define BOUNDARY_LINE "--kavroserveframe\r\n"

// kavroserve.exe running, its standard output and error read as they come.
struct Server {
    PROCESS_INFORMATION info;
    HANDLE output;  // our end of the pipe
    std::thread reader;
    std::mutex lock;
    std::string text;  // everything it wrote so far
    uint16_t port;
};

// Starts exe with arguments (each quoted here) plus "--listen 127.0.0.1:0",
// and waits (bounded) for its "serving camera 0 on http://127.0.0.1:PORT/"
// line. 0, or -1 with what it wrote in *why.
int StartServer(Server *server, const std::string &exe, const std::vector<std::string> &arguments,
                std::string *why);
std::string ServerText(Server *server);
// Ends it (TerminateProcess on the process it started) and waits for it.
void StopServer(Server *server);

// Winsock started for the test program; call once.
void StartSockets();
// A test program's main (serve_main.cpp): GoogleTest, kavroserve.exe's path (its argument)
// into *exe, Winsock; what RUN_ALL_TESTS returns, 2 without the path.
int RunServeTests(int argc, char **argv, std::string *exe);
// A blocking socket connected to 127.0.0.1:port, receives bounded by
// HANG_MS; rcvbuf > 0 sets its receive buffer first. INVALID_SOCKET on
// failure.
SOCKET ConnectTo(uint16_t port, int rcvbuf = 0);
bool SendText(SOCKET s, const std::string &text);
// Reads until the server closes (or resets) the connection: false when
// it was still open after HANG_MS.
bool ReadToClose(SOCKET s, std::string *bytes);
// One request on a connection of its own; the whole answer.
std::string Exchange(uint16_t port, const std::string &request);
// "METHOD target HTTP/1.1" with Host 127.0.0.1:port.
std::string Request(const char *method, const std::string &target, uint16_t port);

// An answer split at its blank line; status from its first line.
struct Answer {
    int status;
    std::vector<std::string> lines;  // the status line and headers, no CRLFs
    std::string body;
};
Answer SplitAnswer(const std::string &bytes);
// A header's value, "" when it is absent (the first of the name).
std::string HeaderOf(const std::vector<std::string> &lines, const char *name);

struct Picture {
    std::vector<std::string> lines;  // its header lines
    std::string timestamp;           // X-Timestamp
    std::string jpeg;
    int64_t arrived_us;  // wall clock when it was read (0 from a file)
};
// Reads whole parts from the start of body (which begins with a boundary
// line), up to the last whole one; a framing fault ends it with its
// description in *fault. How many bytes the parts took.
size_t ReadPictures(const std::string &body, std::vector<Picture> *parts, std::string *fault);
// "" when jpeg is JFIF from SOI to EOI without EXIF or a thumbnail,
// otherwise what is wrong.
std::string JpegFault(const std::string &jpeg);

// Microseconds since 1970 on this machine's clock, as X-Timestamp counts.
int64_t WallUs();
int64_t TimestampUs(const std::string &timestamp);

// A stream client on a thread of its own: the test's socket on target,
// every part kept as it arrives until Stop.
struct StreamReader {
    SOCKET socket = INVALID_SOCKET;
    std::thread thread;
    std::mutex lock;
    std::string head;  // the answer's head
    std::vector<Picture> parts;
    std::string fault;
    std::atomic<bool> stop{false};
    std::atomic<bool> closed{false};  // the server ended it
    ~StreamReader();                  // stops it, even after a failed assertion
};
bool StartReader(StreamReader *reader, uint16_t port, const std::string &target = "/stream");
std::vector<Picture> PicturesOf(StreamReader *reader);
void StopReader(StreamReader *reader);

// curl with arguments (shell words, already quoted) and a 60-second end
// of its own, in scratch; its exit status, output in *out.
int Curl(const std::string &arguments, const std::string &scratch, std::string *out);
// The file's bytes as a string.
std::string FileText(const std::string &path);

#endif
