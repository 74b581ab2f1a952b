// What a run saves: the camera's frames byte for byte, pictures pixel for
// pixel, numbered as asked, on standard output when asked, under any name.
#include <windows.h>

#include "files.h"
#include "frame.h"
#include "kavrocap_fixture.h"

namespace {

std::string Concatenated(std::initializer_list<uint32_t> frames)
{
    std::string bytes;
    for (uint32_t n : frames) {
        Bytes frame = CameraFrame(n);
        bytes.append(frame.begin(), frame.end());
    }
    return bytes;
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    snprintf(text, sizeof text, "%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
    return text;
}

TEST_F(KavrocapTest, DefaultRunSavesTheCamerasFrame)
{
    ASSERT_EQ(0, Run({}));
    EXPECT_EQ("kavro001.bin\n", out);
    EXPECT_EQ("kavrocap: 1/1 kavro001.bin\n"
              "kavrocap: 1 saved, 0 failed, 0 slots skipped\n",
              err);
    EXPECT_EQ(Strings({"kavro001.bin"}), Names());
    EXPECT_TRUE(File("kavro001.bin") == CameraFrame(0));
    EzusbsimCounters counters = Counters();
    EXPECT_EQ(1u, counters.opens);
    EXPECT_EQ(1u, counters.vendor_requests);
    EXPECT_EQ(1u, counters.bulk_reads);
    EXPECT_EQ(0u, counters.rejected);
}

TEST_F(KavrocapTest, PicturesHaveThePaintedColours)
{
    const uint8_t BMP = 'B', PNG = 0x89;  // how each file starts
    struct {
        Strings args;
        Strings names;
        uint8_t first_byte;
    } cases[] = {
        {{"-n", "2", "f{n}.bmp"}, {"f1.bmp", "f2.bmp"}, BMP},
        {{"-n", "2", "f{n}.PNG"}, {"f1.PNG", "f2.PNG"}, PNG},
        {{"-n", "2", "-f", "png", "f{n}.bin"}, {"f1.bin", "f2.bin"}, PNG},
        {{"-n", "2", "--format=BMP", "f{n}.png"}, {"f1.png", "f2.png"}, BMP},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(0, ResetCounters());
        ASSERT_EQ(0, Run(c.args)) << err;
        EXPECT_EQ(c.names[0] + "\n" + c.names[1] + "\n", out);
        for (uint32_t n = 0; n < 2; ++n) {
            Bytes file = File(c.names[n]);
            ASSERT_FALSE(file.empty()) << c.names[n];
            EXPECT_EQ(c.first_byte, file[0]) << c.names[n];
            EXPECT_TRUE(PictureBits(file) == PaintedBits(n)) << c.names[n];
        }
        EXPECT_EQ(c.names, Names());
        for (const std::string &name : c.names)
            DeleteFileW(ToUtf16(PathIn(folder, name.c_str())).c_str());
    }
}

TEST_F(KavrocapTest, CountSavesConsecutiveFramesAfterTheWarmUp)
{
    ASSERT_EQ(0, Run({"-n", "3", "-s", "2"}));
    EXPECT_EQ("kavro001.bin\nkavro002.bin\nkavro003.bin\n", out);
    EXPECT_EQ("kavrocap: 1/3 kavro001.bin\n"
              "kavrocap: 2/3 kavro002.bin\n"
              "kavrocap: 3/3 kavro003.bin\n"
              "kavrocap: 3 saved, 0 failed, 0 slots skipped\n",
              err);
    // The two warm-up frames (0 and 1) were taken and thrown away.
    EXPECT_TRUE(File("kavro001.bin") == CameraFrame(2));
    EXPECT_TRUE(File("kavro002.bin") == CameraFrame(3));
    EXPECT_TRUE(File("kavro003.bin") == CameraFrame(4));
    EzusbsimCounters counters = Counters();
    EXPECT_EQ(5u, counters.opens);
    EXPECT_EQ(5u, counters.vendor_requests);
    EXPECT_EQ(5u, counters.bulk_reads);
    EXPECT_EQ(5u, counters.frames_sent);
    EXPECT_EQ(Strings({"kavro001.bin", "kavro002.bin", "kavro003.bin"}), Names());
}

TEST_F(KavrocapTest, AnIntervalTakesEveryFrame)
{
    ASSERT_EQ(0, Run({"-n", "3", "-i", "0.2", "-q", "t{n}.bin"}));
    EXPECT_EQ("t1.bin\nt2.bin\nt3.bin\n", out);
    EXPECT_EQ("", err);
    EXPECT_TRUE(File("t3.bin") == CameraFrame(2));
}

TEST_F(KavrocapTest, StandardOutputCarriesExactlyTheFrames)
{
    ASSERT_EQ(0, Run({"-n", "3", "-"}));
    EXPECT_TRUE(raw_out == Concatenated({0, 1, 2})) << raw_out.size() << " bytes";
    EXPECT_EQ("kavrocap: 1/3 (standard output)\n"
              "kavrocap: 2/3 (standard output)\n"
              "kavrocap: 3/3 (standard output)\n"
              "kavrocap: 3 saved, 0 failed, 0 slots skipped\n",
              err);
    ASSERT_EQ(0, Run({"-f", "png", "-q", "--", "-"}));
    EXPECT_TRUE(PictureBits(Bytes(raw_out.begin(), raw_out.end())) == PaintedBits(3));
    EXPECT_EQ("", err);
    EXPECT_EQ(Strings(), Names());
}

TEST_F(KavrocapTest, NumbersStartAndContinueAsAsked)
{
    struct {
        Strings existing;
        Strings args;
        const char *out;
    } cases[] = {
        {{}, {"--start", "50", "-n", "2", "-q"}, "kavro050.bin\nkavro051.bin\n"},
        {{}, {"--continue", "-q"}, "kavro001.bin\n"},
        {{"kavro003.bin", "KAVRO010.BIN", "kavro7.bin", "kavro011.png", "kavro0012.bin"},
         {"--continue", "-n", "2", "-q"},
         "kavro011.bin\nkavro012.bin\n"},
        {{"s{1}.bin", "s{4}.bin"}, {"-q", "--continue", "s{{{n}}}.bin"}, "s{5}.bin\n"},
        {{"p100%.bin"}, {"-q", "--continue", "p%d%%.bin"}, "p101%.bin\n"},
    };
    for (const auto &c : cases) {
        for (const std::string &name : c.existing)
            Put(name, Bytes(10, 0x11));
        EXPECT_EQ(0, Run(c.args)) << err;
        EXPECT_EQ(c.out, out);
        ASSERT_EQ(0, RemoveFolder(folder));
        ASSERT_EQ(0, MakeTempFolder(&folder));
    }
}

TEST_F(KavrocapTest, ExistingFilesAreRefusedBeforeTheCameraIsTouched)
{
    const Bytes kept(5000, 0x77);
    Put("kavro002.bin", kept);
    Put("kavro004.bin", kept);
    EXPECT_EQ(1, Run({"-n", "4"}));
    EXPECT_EQ("", out);
    EXPECT_EQ("kavrocap: kavro002.bin exists; nothing was captured (--overwrite replaces it)\n",
              err);
    EXPECT_EQ(0u, Counters().opens);
    EXPECT_EQ(Strings({"kavro002.bin", "kavro004.bin"}), Names());
    EXPECT_TRUE(File("kavro002.bin") == kept);

    // A file outside the run's numbers is no obstacle; one in a folder is.
    EXPECT_EQ(0, Run({"-q", "-n", "1", "--start", "3"}));
    EXPECT_EQ("kavro003.bin\n", out);
    ASSERT_EQ(0, CreateDirectoryW(ToUtf16(PathIn(folder, "sub")).c_str(), NULL) ? 0 : -1);
    Put("sub\\x.bin", kept);
    EXPECT_EQ(1, Run({"sub\\x.bin"}));
    EXPECT_EQ("kavrocap: sub\\x.bin exists; nothing was captured (--overwrite replaces it)\n", err);

    EXPECT_EQ(0, Run({"-n", "4", "--overwrite", "-q"}));
    EXPECT_EQ("kavro001.bin\nkavro002.bin\nkavro003.bin\nkavro004.bin\n", out);
    EXPECT_TRUE(File("kavro002.bin") == CameraFrame(2));
    EXPECT_TRUE(File("kavro004.bin") == CameraFrame(4));
    EXPECT_EQ(Strings({"kavro001.bin", "kavro002.bin", "kavro003.bin", "kavro004.bin", "sub"}),
              Names());
}

TEST_F(KavrocapTest, ANameKnownOnlyWhenTheFrameArrivesFailsThatFrame)
{
    const Bytes kept(100, 0x42);
    std::string first = "d" + Today() + "_1.bin";
    std::string second = "d" + Today() + "_2.bin";
    Put(first, kept);
    EXPECT_EQ(1, Run({"-n", "2", "d{date}_{n}.bin"}));
    EXPECT_EQ(second + "\n", out);
    EXPECT_EQ("kavrocap: frame 1: " + first + ": file exists\n" + "kavrocap: 2/2 " + second
                  + "\nkavrocap: 1 saved, 1 failed, 0 slots skipped\n",
              err);
    EXPECT_TRUE(File(first) == kept);
    EXPECT_TRUE(File(second) == CameraFrame(1));
    EXPECT_EQ(Strings({first, second}), Names());
}

TEST_F(KavrocapTest, NamesInAnyLanguage)
{
    // 写真_é{n}.bin in a folder フォルダ: outside any one ANSI code page.
    const std::string folder_name = "\xe3\x83\x95\xe3\x82\xa9\xe3\x83\xab\xe3\x83\x80";
    const std::string name = "\xe5\x86\x99\xe7\x9c\x9f_\xc3\xa9"
                             "1.bin";
    ASSERT_TRUE(CreateDirectoryW(ToUtf16(PathIn(folder, folder_name.c_str())).c_str(), NULL));
    ASSERT_EQ(0, Run({"-q", folder_name + "\\\xe5\x86\x99\xe7\x9c\x9f_\xc3\xa9{n}.bin"}));
    EXPECT_EQ(folder_name + "\\" + name + "\n", out);
    EXPECT_EQ(Strings({name}), ListFolder(PathIn(folder, folder_name.c_str())));
    Bytes saved;
    ReadWholeFile(PathIn(PathIn(folder, folder_name.c_str()), name.c_str()), &saved);
    EXPECT_TRUE(saved == CameraFrame(0));
}

}  // namespace
