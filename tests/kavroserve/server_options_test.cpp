// kavroserve's command line: addresses, limits, and the refusals' texts.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server_options.h"
#include "token_text.h"

namespace {

ServeOptionsResult Parse(std::vector<std::string> args, ServeOptions *options, std::string *problem)
{
    args.insert(args.begin(), "kavroserve");
    return ParseServeOptions(args, options, problem);
}

TEST(ServeOptionsTest, ListenAddressesReadAndWrittenBack)
{
    struct {
        const char *text;
        const char *written;  // NULL: refused
        bool loopback;
    } cases[] = {
        {"127.0.0.1:8080", "127.0.0.1:8080", true},
        {"127.9.0.1:0", "127.9.0.1:0", true},
        {"0.0.0.0:80", "0.0.0.0:80", false},
        {"[::1]:8080", "[::1]:8080", true},
        {"[::]:8080", "[::]:8080", false},
        {"[fe80::1:0:0:2]:1", "[fe80::1:0:0:2]:1", false},
        {"[1:2:3:4:5:6:7:8]:65535", "[1:2:3:4:5:6:7:8]:65535", false},
        {"[1::2::3]:80", NULL, false},
        {"[1:2:3:4:5:6:7:8:9]:80", NULL, false},
        {"[12345::]:80", NULL, false},
        {"127.0.0.1:65536", NULL, false},
        {"127.0.0.01:80", NULL, false},
        {"127.0.0:80", NULL, false},
        {"localhost:80", NULL, false},
        {"127.0.0.1", NULL, false},
    };
    for (const auto &c : cases) {
        ListenAddress address;
        bool read = ParseListenAddress(c.text, &address);
        ASSERT_EQ(c.written != NULL, read) << c.text;
        if (read) {
            EXPECT_EQ(c.written, AddressText(address, address.port));
            EXPECT_EQ(c.loopback, LoopbackAddress(address)) << c.text;
        }
    }
}

TEST(ServeOptionsTest, DefaultsAndValues)
{
    ServeOptions options;
    std::string problem;
    ASSERT_EQ(SERVE_OPTIONS_ACCEPTED, Parse({}, &options, &problem));
    EXPECT_EQ("127.0.0.1:8080", AddressText(options.listen, options.listen.port));
    EXPECT_EQ(16, options.max_clients);
    EXPECT_EQ(64, options.max_pending);
    EXPECT_EQ(10000000, options.request_timeout_us);
    EXPECT_EQ("\\\\.\\ezusb-0", options.device);
    ASSERT_EQ(SERVE_OPTIONS_ACCEPTED,
              Parse({"-d", "3", "--max-clients=32", "--send-timeout", "0.5", "--fps", "5",
                     "--listen", "[::]:0", "--token-file", "t.txt"},
                    &options, &problem));
    EXPECT_EQ("\\\\.\\ezusb-3", options.device);
    EXPECT_EQ("3", options.camera_name);
    EXPECT_EQ(32, options.max_clients);
    EXPECT_EQ(500000, options.send_timeout_us);
    EXPECT_EQ(5, options.fps);
    EXPECT_EQ("t.txt", options.token_file);
}

TEST(ServeOptionsTest, RefusalsSayWhy)
{
    struct {
        std::vector<std::string> args;
        const char *problem;
    } cases[] = {
        {{"--listen", "0.0.0.0:8080"},
         "--listen 0.0.0.0:8080 is reachable from other machines: it needs --token-file FILE, so"
         " that only those who have the token see the camera"},
        {{"--listen", "here"},
         "--listen takes ADDRESS:PORT (127.0.0.1:8080, [::1]:8080), not 'here'"},
        {{"--max-clients", "0"}, "--max-clients takes a whole number from 1 to 1000, not '0'"},
        {{"--request-timeout", "0.05"},
         "--request-timeout takes seconds from 0.1 to 3600, not '0.05'"},
        {{"--fps", "101"}, "--fps takes frames a second from 1 to 100, not '101'"},
        {{"--quality", "0"}, "--quality takes a JPEG quality from 1 to 100, not '0'"},
        {{"-d", "x"},
         "-d takes a camera number from 0 to 9 or a device path (\\\\.\\NAME), not 'x'"},
        {{"--token-file"}, "--token-file needs a value"},
        {{"--port"}, "unknown option --port"},
        {{"extra"}, "unexpected argument extra"},
    };
    for (const auto &c : cases) {
        ServeOptions options;
        std::string problem;
        EXPECT_EQ(SERVE_OPTIONS_REFUSED, Parse(c.args, &options, &problem)) << c.problem;
        EXPECT_EQ(c.problem, problem);
    }
}

TEST(TokenTextTest, AtLeast128Bits)
{
    std::string hex32(32, 'a'), b64(22, 'Z');
    struct {
        std::string text;
        const char *token;  // NULL: refused
    } cases[] = {
        {hex32 + "\r\n", hex32.c_str()},
        {"  " + b64 + " \nsecond line", b64.c_str()},
        {hex32.substr(1), NULL},
        {b64.substr(1), NULL},
        {hex32 + " x", NULL},
        {"", NULL},
    };
    for (const auto &c : cases) {
        std::string token, problem;
        EXPECT_EQ(c.token != NULL, TokenFromText(c.text, &token, &problem)) << c.text;
        EXPECT_EQ(c.token != NULL ? c.token : "", token);
        EXPECT_EQ(c.token != NULL, problem.empty()) << problem;
    }
    const uint8_t bytes[] = {0x00, 0x9f, 0xa5};
    EXPECT_EQ("009fa5", TokenHex(bytes, 3));
}

}  // namespace
