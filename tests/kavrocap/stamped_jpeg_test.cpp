// The shipped tool's stamped JPEG from the simulated camera, read back by
// ffmpeg and exiftool: the picture with its time of day drawn in, at the
// time its EXIF tells. What the options do is a matter of
// kavrocap_run_test; this is the whole way through, once.
#include <math.h>

#include "files.h"
#include "hang_limit.h"
#include "kavrocap_fixture.h"
#include "stamp_font.h"
#include "unix_command.h"

namespace {

TEST_F(KavrocapTest, StampedJpegReadsBackWithItsTime)
{
    ASSERT_EQ(0, Run({"-q", "-f", "jpeg", "--stamp", "%H:%M:%S", "x.jpg"})) << err;
    EXPECT_EQ("x.jpg\n", out);
    std::string jpeg = ShellQuoted(UnixPath(PathIn(folder, "x.jpg")));
    std::string exif;
    ASSERT_EQ(0, RunUnixCommand("exiftool -s3 -DateTimeOriginal -ImageDescription " + jpeg, folder,
                                HANG_MS, &exif))
        << exif;
    // "2026:12:11 10:00:05\n\\.\ezusb-0\n"
    ASSERT_EQ(32u, exif.size()) << exif;
    EXPECT_EQ("\\\\.\\ezusb-0\n", exif.substr(20));
    Bytes painted = PaintedBits(0);
    DrawStamp(painted.data(), 96, 72, exif.substr(11, 8), STAMP_BOTTOM_RIGHT);
    std::string raw = PathIn(folder, "x.raw"), errors;
    ASSERT_EQ(0,
              RunUnixCommand("ffmpeg -nostdin -v error -i " + jpeg
                                 + " -f rawvideo -pix_fmt bgr24 -y " + ShellQuoted(UnixPath(raw)),
                             folder, HANG_MS, &errors))
        << errors;
    Bytes decoded;
    ReadWholeFile(raw, &decoded);
    ASSERT_EQ(painted.size(), decoded.size());
    double sum = 0;  // decoded rows come top first
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 96 * 3; ++x) {
            double d = double(decoded[y * 288 + x]) - painted[(71 - y) * 288 + x];
            sum += d * d;
        }
    EXPECT_GE(10 * log10(255.0 * 255.0 / (sum / decoded.size())), 35.0);
}

}  // namespace
