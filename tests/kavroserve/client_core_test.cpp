// The client core on a clock of the test's own, against a feed the test
// fills: admission, the deadlines, only the newest frame to a slow reader,
// fresh frames, HEAD, the watchers and the log, byte for byte.
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "answers.h"
#include "client_core.h"
#include "frame.h"
#include "mjpeg_stream.h"

namespace {

const int64_t S = 1000000;

struct TestFeed {
    FeedState state = {};
    int watchers = 0;
    uint64_t asks = 0;
    FramePtr no_camera;
};

FramePtr Frame(uint64_t sequence, int64_t at_us)
{
    ServedFrame frame;
    frame.sequence = sequence;
    frame.monotonic_us = at_us;
    frame.wall_us = 1700000000 * S + at_us;
    frame.jpeg.assign(100 + sequence, (uint8_t)sequence);
    frame.raw.assign(sequence == 0 ? 0 : RAW_FRAME_BYTES, (uint8_t)(sequence + 1));
    return FramePtr(new ServedFrame(frame));
}

std::string Text(const std::vector<uint8_t> &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class ClientCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log = tmpfile();
        ASSERT_TRUE(log != NULL);
        feed.no_camera = Frame(0, 0);
        Start();
    }
    void TearDown() override { fclose(log); }
    void Start()
    {
        FeedSeam seam = {&feed, [](void *f, int n) { ((TestFeed *)f)->watchers = n; },
                         [](void *f) { return ++((TestFeed *)f)->asks; },
                         [](void *f) { return ((TestFeed *)f)->state; },
                         [](void *f) { return ((TestFeed *)f)->no_camera; }};
        StartCore(&core, settings, seam, log, 0, 1700000000 * S);
    }
    int Connect(int64_t now = 0)
    {
        int id = 0;
        std::string refusal;
        EXPECT_EQ(CLIENT_ADMITTED,
                  AdmitClient(&core, KeyOfIpv4(LOOPBACK), "127.0.0.1:5000", now, &id, &refusal));
        return id;
    }
    int Ask(const std::string &request, int64_t now = 0)
    {
        int id = Connect(now);
        ClientReceived(&core, id, request.data(), request.size(), now);
        ServeClients(&core, now);
        return id;
    }
    static std::string Get(const char *target, const char *method = "GET")
    {
        return std::string(method) + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n";
    }
    // Sends up to most bytes of what waits.
    std::string Take(int id, int64_t now, size_t most = (size_t)-1)
    {
        std::string out;
        while (out.size() < most) {
            const uint8_t *data;
            size_t size;
            ClientOutput(core, id, &data, &size);
            size = std::min(size, most - out.size());
            if (size == 0)
                break;
            out.append((const char *)data, size);
            ClientSent(&core, id, size, now);
        }
        return out;
    }
    std::string Part(const FramePtr &frame)
    {
        return PartHead(frame->jpeg.size(), frame->wall_us) + Text(frame->jpeg) + PartTail();
    }
    std::string Logged()
    {
        fflush(log);
        rewind(log);
        std::string text;
        for (int c; (c = fgetc(log)) != EOF;)
            text += (char)c;
        return text;
    }

    const uint8_t LOOPBACK[4] = {127, 0, 0, 1};
    CoreSettings settings;
    TestFeed feed;
    ServerCore core;
    FILE *log = NULL;
};

TEST_F(ClientCoreTest, BeyondMaxClientsA503AtOnceAndTheWatchersCounted)
{
    settings.max_clients = 2;
    Start();
    int a = Ask(Get("/stream")), b = Ask(Get("/stream.mjpg")), c = Ask(Get("/?action=stream"));
    EXPECT_EQ(StreamHead(false), Take(a, 0));
    EXPECT_EQ(StreamHead(false), Take(b, 0));
    EXPECT_EQ(RefusalAnswer(503, false), Take(c, 0));
    EXPECT_TRUE(ClientFinished(core, c));
    EXPECT_FALSE(ClientCut(core, c));
    EXPECT_EQ(2, feed.watchers);
    ClientHungUp(&core, a);
    EXPECT_TRUE(ClientFinished(core, a));
    EXPECT_EQ(1, feed.watchers);
    ForgetClient(&core, b);
    EXPECT_EQ(0, feed.watchers);
}

// Slow senders fill only their own places: a stream goes on, and a request
// made whole frees a place for the next connection.
TEST_F(ClientCoreTest, PendingConnectionsCountedApart)
{
    settings.max_pending = 2;
    settings.max_clients = 1;
    Start();
    feed.state.newest = Frame(1, 0);
    int stream = Ask(Get("/stream"));
    int slow = Connect(), other = Connect();
    int id = 0;
    std::string refusal;
    EXPECT_EQ(CLIENT_REFUSED, AdmitClient(&core, KeyOfIpv4(LOOPBACK), "x", 0, &id, &refusal));
    EXPECT_EQ(RefusalAnswer(503, false), refusal);
    EXPECT_EQ(StreamHead(false), Take(stream, 0));
    ServeClients(&core, 0);
    EXPECT_EQ(Part(feed.state.newest), Take(stream, 0));
    std::string request = Get("/status");
    ClientReceived(&core, other, request.data(), request.size(), 0);
    EXPECT_EQ(RefusalAnswer(503, false), Take(other, 0));  // max_clients: the stream has it
    EXPECT_EQ(CLIENT_ADMITTED, AdmitClient(&core, KeyOfIpv4(LOOPBACK), "x", 0, &id, &refusal));
    EXPECT_TRUE(ClientReading(core, slow));
}

TEST_F(ClientCoreTest, TheRequestDeadlineCountsFromTheConnection)
{
    settings.request_timeout_us = 10 * S;
    Start();
    int id = Connect(0);
    ClientReceived(&core, id, "GET / HTTP/1.1\r\n", 16, 9 * S);
    EXPECT_EQ(10 * S, NextCoreEvent(core, 9 * S, 60 * S));
    ServeClients(&core, 10 * S - 1);
    EXPECT_FALSE(ClientFinished(core, id));
    ServeClients(&core, 10 * S);
    EXPECT_EQ(RefusalAnswer(408, false), Take(id, 10 * S));
    EXPECT_TRUE(ClientFinished(core, id));
    EXPECT_FALSE(ClientCut(core, id));
}

TEST_F(ClientCoreTest, ASendWithoutProgressEndsTheClient)
{
    settings.send_timeout_us = 10 * S;
    Start();
    feed.state.newest = Frame(1, 0);
    int id = Ask(Get("/stream"));
    Take(id, 5 * S, 10);  // progress at 5 s
    ServeClients(&core, 15 * S - 1);
    EXPECT_FALSE(ClientFinished(core, id));
    ServeClients(&core, 15 * S);
    EXPECT_TRUE(ClientFinished(core, id));
    EXPECT_TRUE(ClientCut(core, id));
    EXPECT_EQ(0, feed.watchers);
}

TEST_F(ClientCoreTest, ASlowReaderGetsOnlyTheNewestFrame)
{
    feed.state.newest = Frame(1, 0);
    int id = Ask(Get("/stream"));
    EXPECT_EQ(StreamHead(false), Take(id, 0));
    ServeClients(&core, 0);
    std::string first = Take(id, 0, 5);
    for (uint64_t n = 2; n <= 4; n++) {
        feed.state.newest = Frame(n, (int64_t)n * 1000);
        ServeClients(&core, (int64_t)n * 1000);
    }
    EXPECT_EQ(Part(Frame(1, 0)), first + Take(id, 5000));
    ServeClients(&core, 5000);
    EXPECT_EQ(Part(feed.state.newest), Take(id, 5000));
    ServeClients(&core, 6000);
    EXPECT_EQ("", Take(id, 6000));  // nothing new yet
}

TEST_F(ClientCoreTest, WithoutFramesTheNoCameraPicture)
{
    int id = Ask(Get("/stream"));
    EXPECT_EQ(StreamHead(false), Take(id, 0));
    ServeClients(&core, STREAM_NO_CAMERA_US);
    EXPECT_EQ(PartHead(feed.no_camera->jpeg.size(), 1700000000 * S + STREAM_NO_CAMERA_US)
                  + Text(feed.no_camera->jpeg) + PartTail(),
              Take(id, STREAM_NO_CAMERA_US));
}

TEST_F(ClientCoreTest, HeadTakesNoFrame)
{
    feed.state.newest = Frame(3, 0);
    struct {
        const char *target;
        std::string answer;
    } cases[] = {
        {"/stream", StreamHead(true)},
        {"/snapshot", "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nCache-Control: no-store,"
                      " no-cache, must-revalidate, max-age=0\r\nPragma: no-cache\r\nConnection:"
                      " close\r\n\r\n"},
        {"/raw", OkHead("application/octet-stream", RAW_FRAME_BYTES, "")},
    };
    for (const auto &c : cases) {
        int id = Ask(Get(c.target, "HEAD"));
        EXPECT_EQ(c.answer, Take(id, 0)) << c.target;
        EXPECT_TRUE(ClientFinished(core, id)) << c.target;
    }
    EXPECT_EQ(0u, feed.asks);
    EXPECT_EQ(0, feed.watchers);
}

TEST_F(ClientCoreTest, SnapshotAndRawWaitForTheirFreshFrame)
{
    FramePtr frame = Frame(7, 0);
    std::string stamp = "X-Sequence: 7\r\nX-Timestamp: " + TimestampText(frame->wall_us) + "\r\n";
    struct {
        const char *target;
        std::string answer;
    } cases[] = {
        {"/snapshot.jpg", OkHead("image/jpeg", 107, stamp) + Text(frame->jpeg)},
        {"/raw", OkHead("application/octet-stream", RAW_FRAME_BYTES,
                        "X-Width: 96\r\nX-Height: 72\r\nX-Pixel-Format: UYVY\r\n" + stamp)
                     + Text(frame->raw)},
    };
    for (const auto &c : cases) {
        feed.state.fresh = NULL;
        int id = Ask(Get(c.target));
        EXPECT_EQ(feed.asks, core.clients[id].ticket);
        feed.state.fresh_ticket = feed.asks - 1;
        feed.state.fresh = Frame(6, 0);  // an older ask's
        ServeClients(&core, 1000);
        EXPECT_EQ("", Take(id, 1000)) << c.target;
        feed.state.fresh_ticket = feed.asks;
        feed.state.fresh = frame;
        ServeClients(&core, 2000);
        EXPECT_EQ(c.answer, Take(id, 2000)) << c.target;
        EXPECT_TRUE(ClientFinished(core, id));
    }
    int id = Ask(Get("/snapshot"));
    feed.state.fresh_ticket = feed.asks;
    feed.state.fresh = NULL;
    ServeClients(&core, 3000);
    EXPECT_EQ(RefusalAnswer(503, false), Take(id, 3000));
}

TEST_F(ClientCoreTest, OneLinePerAnswerWithoutTheQuery)
{
    Ask(Get("/status?token=secret&x=%0A"));
    Ask("GET /page%0Aforged HTTP/1.1\r\nHost: example.com\r\n\r\n");
    Ask("BREW / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n\r\n");
    Ask("GET /x HTTP/1.1\r\nContent-Length: 5\r\n\r\n");
    EXPECT_EQ("127.0.0.1:5000 GET /status 200\n"
              "127.0.0.1:5000 GET /page?forged 421\n"
              "127.0.0.1:5000 BREW / 405\n"
              "127.0.0.1:5000 GET - 413\n",
              Logged());
}

}  // namespace
