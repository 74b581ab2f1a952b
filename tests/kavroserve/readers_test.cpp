// kavroserve.exe under Wine on the simulated camera, read by programs of
// others: curl sees the exact heads and the stream's framing byte for
// byte, ffmpeg decodes the stream and copies /raw, and a reader written to
// go2rtc's rules follows the stream part by part.
//     kavroserve_readers_test PATH\TO\kavroserve.exe
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "files.h"
#include "hang_limit.h"
#include "serve_support.h"
#include "unix_command.h"
#include "wait.h"

namespace {

std::string g_exe;

const char *const STREAM_HEAD[] = {
    "HTTP/1.1 200 OK",
    "Content-Type: multipart/x-mixed-replace;boundary=kavroserveframe",
    "Cache-Control: no-store, no-cache, must-revalidate, max-age=0",
    "Pragma: no-cache",
    "Connection: close",
};

class ReadersTest : public SimulatedCamera {
protected:
    Server server;
    std::string folder, url;

    void SetUp() override
    {
        SimulatedCamera::SetUp();
        ASSERT_EQ(0, MakeTempFolder(&folder));
        std::string why;
        ASSERT_EQ(0, StartServer(&server, g_exe, {}, &why)) << why;
        url = "http://127.0.0.1:" + std::to_string(server.port);
    }
    void TearDown() override
    {
        StopServer(&server);
        RemoveFolder(folder);
        SimulatedCamera::TearDown();
    }
    std::string Unix(const char *name) { return ShellQuoted(UnixPath(PathIn(folder, name))); }
    // curl's -D head and -o body of target, after arguments.
    Answer Fetched(const std::string &arguments, const std::string &target, int *status)
    {
        std::string out;
        *status = Curl(arguments + " -D " + Unix("head") + " -o " + Unix("body") + " "
                           + ShellQuoted(url + target),
                       folder, &out);
        Answer answer = SplitAnswer(FileText(PathIn(folder, "head")));
        answer.body = FileText(PathIn(folder, "body"));
        return answer;
    }
    // How near a decoded grey picture comes to the camera's frames sent: the
    // least mean difference from one's luma, 0 to 255.
    double NearestLuma(const std::string &gray)
    {
        EzusbsimCounters counters;
        double best = 255;
        for (uint32_t n = 0; ReadCounters(&counters) == 0 && n < counters.frames_sent; ++n) {
            Bytes frame = CameraFrame(n);
            double sum = 0;
            for (int p = 0; p < 96 * 72; ++p)
                sum += abs((uint8_t)gray[p] - frame[2 * p + 1]);
            best = std::min(best, sum / (96 * 72));
        }
        return best;
    }
    // The camera frame these bytes are, searched among those it has sent.
    int CameraFrameOf(const std::string &raw)
    {
        EzusbsimCounters counters;
        if (ReadCounters(&counters) != 0)
            return -1;
        for (uint32_t n = 0; n < counters.frames_sent; ++n) {
            Bytes frame = CameraFrame(n);
            if (raw == std::string(frame.begin(), frame.end()))
                return (int)n;
        }
        return -1;
    }
};

// Every part framed exactly and a whole JPEG, its stamp the capture's, in
// order; the head is exactly the stream's. curl ends itself after 3 s.
TEST_F(ReadersTest, CurlReadsEveryStreamTargetFramedExactly)
{
    for (const char *target : {"/stream", "/stream.mjpg", "/?action=stream"}) {
        SCOPED_TRACE(target);
        const int64_t start_us = WallUs();
        int status;
        Answer answer = Fetched("--max-time 3", target, &status);
        EXPECT_EQ(28, status) << "curl did not stop at its time";
        EXPECT_EQ(std::vector<std::string>(STREAM_HEAD, STREAM_HEAD + 5), answer.lines);
        ASSERT_EQ(0u, answer.body.find(BOUNDARY_LINE));
        std::vector<Picture> parts;
        std::string fault;
        ReadPictures(answer.body, &parts, &fault);
        EXPECT_EQ("", fault);
        ASSERT_GE(parts.size(), 3u);
        int64_t previous = start_us;
        for (const Picture &part : parts) {
            ASSERT_EQ(3u, part.lines.size());
            EXPECT_EQ("Content-Type: image/jpeg", part.lines[0]);
            EXPECT_EQ("Content-Length: " + std::to_string(part.jpeg.size()), part.lines[1]);
            EXPECT_EQ("", JpegFault(part.jpeg));
            int64_t stamp = TimestampUs(part.timestamp);
            EXPECT_GE(stamp, previous) << part.timestamp;
            EXPECT_LE(stamp, WallUs());
            previous = stamp;
        }
    }
}

// A fresh frame, one JPEG whose length the head gives, under every name;
// HEAD gives the same head with no body and takes no frame.
TEST_F(ReadersTest, SnapshotIsOneJpegAndHeadTakesNoFrame)
{
    for (const char *target : {"/snapshot", "/snapshot.jpg", "/?action=snapshot"}) {
        SCOPED_TRACE(target);
        int status;
        Answer answer = Fetched("", target, &status);
        EXPECT_EQ(0, status);
        EXPECT_EQ(200, answer.status);
        EXPECT_EQ("image/jpeg", HeaderOf(answer.lines, "Content-Type"));
        EXPECT_EQ(std::to_string(answer.body.size()), HeaderOf(answer.lines, "Content-Length"));
        EXPECT_EQ("", JpegFault(answer.body));
    }
    EzusbsimCounters before, after;
    ASSERT_EQ(0, ReadSettledCounters(&before));
    const struct {
        const char *target, *type;
    } heads[] = {{"/stream", "multipart/x-mixed-replace;boundary=kavroserveframe"},
                 {"/snapshot", "image/jpeg"},
                 {"/raw", "application/octet-stream"},
                 {"/status", "application/json"},
                 {"/", "text/html; charset=utf-8"}};
    for (const auto &head : heads) {
        SCOPED_TRACE(head.target);
        std::string bytes = Exchange(server.port, Request("HEAD", head.target, server.port));
        Answer answer = SplitAnswer(bytes);
        EXPECT_EQ(200, answer.status) << bytes;
        EXPECT_EQ(head.type, HeaderOf(answer.lines, "Content-Type"));
        EXPECT_EQ("", answer.body);
        EXPECT_EQ(bytes.size(), bytes.find("\r\n\r\n") + 4);
    }
    ASSERT_EQ(0, ReadSettledCounters(&after));
    EXPECT_EQ(before.vendor_requests, after.vendor_requests);
}

// /raw: the camera's own frame, with its size, format and number, through
// curl and through ffmpeg's raw video input; each a fresh one, sent by the
// camera after the ask, not the frame kept from the ask before.
TEST_F(ReadersTest, RawIsTheCamerasFrameForCurlAndFfmpeg)
{
    EzusbsimCounters before;
    ASSERT_EQ(0, ReadCounters(&before));
    int status;
    Answer answer = Fetched("", "/raw", &status);
    EXPECT_EQ(200, answer.status);
    EXPECT_EQ("13824", HeaderOf(answer.lines, "Content-Length"));
    EXPECT_EQ("96", HeaderOf(answer.lines, "X-Width"));
    EXPECT_EQ("72", HeaderOf(answer.lines, "X-Height"));
    EXPECT_EQ("UYVY", HeaderOf(answer.lines, "X-Pixel-Format"));
    EXPECT_NE("", HeaderOf(answer.lines, "X-Sequence"));
    EXPECT_GT(TimestampUs(HeaderOf(answer.lines, "X-Timestamp")), 0);
    EXPECT_GE(CameraFrameOf(answer.body), (int)before.frames_sent);

    ASSERT_EQ(0, ReadSettledCounters(&before));
    std::string out;
    ASSERT_EQ(0, RunUnixCommand("timeout 60 ffmpeg -nostdin -v error -f rawvideo -pixel_format "
                                "uyvy422 -video_size 96x72 -i "
                                    + ShellQuoted(url + "/raw") + " -f rawvideo -y " + Unix("copy"),
                                folder, HANG_MS + 5000, &out))
        << out;
    std::string copy = FileText(PathIn(folder, "copy"));
    EXPECT_EQ(13824u, copy.size());
    EXPECT_GE(CameraFrameOf(copy), (int)before.frames_sent);
}

// ffmpeg's two readers of such streams decode five 96 x 72 pictures (the
// file of their grey planes is exactly five of them), the first the
// camera's picture but for the JPEG's loss.
TEST_F(ReadersTest, FfmpegDecodesTheStream)
{
    for (const char *format : {"mjpeg", "mpjpeg"}) {
        SCOPED_TRACE(format);
        std::string out;
        EXPECT_EQ(0,
                  RunUnixCommand("timeout 60 ffmpeg -nostdin -v error -use_wallclock_as_"
                                 "timestamps 1 -f "
                                     + std::string(format) + " -i " + ShellQuoted(url + "/stream")
                                     + " -frames:v 5 -f rawvideo -pix_fmt gray -y " + Unix("gray"),
                                 folder, HANG_MS + 5000, &out))
            << out;
        std::string gray = FileText(PathIn(folder, "gray"));
        ASSERT_EQ(5u * 96 * 72, gray.size()) << out;
        EXPECT_LT(NearestLuma(gray), 4.0);
    }
}

// Read as go2rtc reads a camera: the boundary from the head, then parts one
// after another as they come, each whole before the next, for a few.
TEST_F(ReadersTest, Go2rtcRulesHoldPictureByPicture)
{
    StreamReader reader;
    ASSERT_TRUE(StartReader(&reader, server.port));
    EXPECT_TRUE(WaitUntil([&] { return PicturesOf(&reader).size() >= 5 || reader.closed; }));
    StopReader(&reader);
    EXPECT_EQ("", reader.fault);
    EXPECT_NE(std::string::npos,
              reader.head.find("\r\nContent-Type: multipart/x-mixed-replace;boundary="
                               "kavroserveframe\r\n"));
    std::vector<Picture> parts = PicturesOf(&reader);
    ASSERT_GE(parts.size(), 5u);
    for (const Picture &part : parts)
        EXPECT_EQ("", JpegFault(part.jpeg));
}

}  // namespace

int main(int argc, char **argv)
{
    return RunServeTests(argc, argv, &g_exe);
}
