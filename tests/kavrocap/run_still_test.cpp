// What a run's options for pictures do to its files: JPEG at its quality
// with the frame's EXIF facts, stills enlarged and then stamped with the
// frame's time, number and camera, movies stamped at their own size.
#include "avi_layout.h"
#include "frame.h"
#include "picture.h"
#include "run_fixture.h"

namespace {

// The fixture clock's local time, in Tokyo.
const CaptureMoment FIXTURE_MOMENT = {2026, 12, 9, 7, 30, 5, 123, 9 * 60};

TEST_F(KavrocapRunTest, PicturesAreMadeAsTheOptionsSay)
{
    const struct {
        Strings args;
        const char *file;
        OutputFormat format;
        int scale;
        const char *stamp;
        StampCorner corner;
        int quality;
        const char *device;
    } cases[] = {
        {{"-q", "x.jpg"}, "x.jpg", FORMAT_JPEG, 1, "", STAMP_BOTTOM_RIGHT, 95, "\\\\.\\ezusb-0"},
        {{"-q", "-d", "3", "--quality", "40", "-f", "JPEG", "x"},
         "x",
         FORMAT_JPEG,
         1,
         "",
         STAMP_BOTTOM_RIGHT,
         40,
         "\\\\.\\ezusb-3"},
        {{"-q", "--stamp", "%H:%M:%S", "x.jpeg"},
         "x.jpeg",
         FORMAT_JPEG,
         1,
         "07:30:05",
         STAMP_BOTTOM_RIGHT,
         95,
         "\\\\.\\ezusb-0"},
        {{"-q", "--start", "7", "--scale", "2", "--stamp", "%Y-%m-%d %H:%M:%S", "--stamp-at", "tl",
          "x{n}.png"},
         "x7.png",
         FORMAT_PNG,
         2,
         "2026-12-09 07:30:05",
         STAMP_TOP_LEFT,
         95,
         ""},
        {{"-q", "-d", "\\\\.\\cam", "--scale=3", "--stamp={camera} {n}.{ms} %j", "--stamp-at=bl",
          "x.bmp"},
         "x.bmp",
         FORMAT_BMP,
         3,
         "\\\\.\\cam 1.123 343",
         STAMP_BOTTOM_LEFT,
         95,
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        Fresh({});
        EXPECT_EQ(0, Run(c.args));
        StillSettings still = PlainStill();
        still.scale = c.scale;
        still.stamp = c.stamp;
        still.corner = c.corner;
        still.quality = c.quality;
        still.exif = {1, FIXTURE_MOMENT, c.device};
        Bytes expected;
        ASSERT_EQ(PICTURE_ENCODED, EncodeStill(FakeFrame(0).data(), c.format, still, &expected));
        EXPECT_TRUE(expected == ReadBytes(Path(c.file)));
    }
}

TEST_F(KavrocapRunTest, MovieFramesAreStampedAtTheirOwnSize)
{
    Fresh({});
    EXPECT_EQ(0, Run({"-q", "-n", "2", "--stamp", "{n} %H:%M:%S", "--stamp-at", "tr", "m.avi"}));
    Bytes movie = ReadBytes(Path("m.avi"));
    AviParts parts(1, 2);
    ASSERT_EQ(AviMovieEnd(parts), movie.size());
    for (uint32_t i = 0; i < 2; ++i) {
        Bytes bits(DISPLAY_IMAGE_BYTES);
        ConvertFrame(FakeFrame(i).data(), bits.data(), FRAME_WIDTH, FRAME_HEIGHT);
        DrawStamp(bits.data(), FRAME_WIDTH, FRAME_HEIGHT, std::to_string(i + 1) + " 07:30:05",
                  STAMP_TOP_RIGHT);
        uint64_t at = AviFrameOffset(parts, 0, i) + 8;
        EXPECT_TRUE(Bytes(movie.begin() + at, movie.begin() + at + DISPLAY_IMAGE_BYTES) == bits)
            << "frame " << i;
    }
}

}  // namespace
