// What the shipped program saves from the simulated camera, end to end: its
// frames byte for byte, pictures read back pixel for pixel, binary standard
// output, names in any language. Numbering, the schedule and existing files
// are rows of kavrocap_run_test.
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
    EXPECT_EQ("kavrocap: 1 saved, 0 failed, 0 slots skipped\n", err);
    EXPECT_EQ(Strings(), Names());
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
