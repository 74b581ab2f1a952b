// kavroconv as people use it: any file name, wildcards on Windows, the
// format the output name says, --quiet, --version, inputs that are no files.
#include "converter_fixture.h"
#include "expected.h"
#include "frame.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

typedef std::vector<std::string> Names;

namespace {

const Bytes ZERO_FRAME(RAW_FRAME_BYTES, 0);

}  // namespace

// Japanese, accented and emoji names, converted beside themselves.
TEST_F(ConverterTest, AnyNameIsConvertedAndWrittenBack)
{
    const char *stems[] = {"日本語のフレーム", "café ü", "\xF0\x9F\x98\x80 frame"};
    Names inputs;
    std::string listed;
    for (const char *stem : stems) {
        inputs.push_back(Path(std::string(stem) + ".bin"));
        WriteBytes(inputs.back(), MixedFrame());
        listed += inputs.back() + " -> " + Path(std::string(stem) + ".bmp") + "\n";
    }
    EXPECT_EQ(0, Run(inputs));
    EXPECT_EQ(listed, out_text);
    EXPECT_EQ("", err_text);
    for (const char *stem : stems)
        EXPECT_EQ(20790u, ReadBytes(Path(std::string(stem) + ".bmp")).size()) << stem;
    EXPECT_EQ(1, Run({Path("ß-missing.bin")}));
    EXPECT_EQ("kavroconv: " + Path("ß-missing.bin") + ": no such file\n", err_text);
}

// Without --format the -o name decides; --format decides alone for the
// pictures beside their frames; any letter case.
TEST_F(ConverterTest, FormatFollowsTheOutputName)
{
    WriteBytes(Path("a.bin"), ZERO_FRAME);
    const std::string a = Path("a.bin");
    const struct {
        Names args;
        const char *output;
        const char *signature;
    } cases[] = {
        {{"-o", Path("p1.png"), a}, "p1.png", "\x89PNG"},
        {{"-o", Path("p2.PNG"), a}, "p2.PNG", "\x89PNG"},
        {{"-o", Path("b1.Bmp"), a}, "b1.Bmp", "BM"},
        {{"-o", Path("j2.gif"), "-f", "PNG", a}, "j2.gif", "\x89PNG"},
        {{"-o", Path("j3.JPEG"), a}, "j3.JPEG", "\xFF\xD8\xFF\xE0"},
        {{"-f", "bmp", "-o", Path("noext"), a}, "noext", "BM"},
        {{"--format=Png", "-o", Path("p3.png"), a}, "p3.png", "\x89PNG"},
        {{"--format", "BMP", a}, "a.bmp", "BM"},
        {{"--format", "pNg", a}, "a.png", "\x89PNG"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(0, Run(c.args)) << c.output;
        Bytes picture = ReadBytes(Path(c.output));
        size_t length = strlen(c.signature);
        ASSERT_GE(picture.size(), length) << c.output;
        EXPECT_EQ(TextBytes(c.signature), Bytes(picture.begin(), picture.begin() + length))
            << c.output;
    }
    for (const char *format : {"png", "PNG"}) {
        EXPECT_EQ(2, Run({"--format", format, "-o", Path("z.bmp"), a}));
        EXPECT_EQ("kavroconv: --format png but the output name " + Path("z.bmp") + " says bmp\n"
                      + USAGE,
                  err_text);
    }
    EXPECT_EQ(2, Run({"-o", Path("z.PNG"), "--format=bmp", a}));
    EXPECT_EQ("kavroconv: --format bmp but the output name " + Path("z.PNG") + " says png\n"
                  + USAGE,
              err_text);
    EXPECT_EQ("", out_text);
    EXPECT_EQ(Names({"a.bin", "a.bmp", "a.png", "b1.Bmp", "j2.gif", "j3.JPEG", "noext", "p1.png",
                     "p2.PNG", "p3.png"}),
              Listing());
}

TEST_F(ConverterTest, QuietAndVersion)
{
    WriteBytes(Path("a.bin"), ZERO_FRAME);
    for (const char *quiet : {"-q", "--quiet"}) {
        EXPECT_EQ(1, Run({quiet, Path("a.bin"), Path("missing.bin")}));
        EXPECT_EQ("", out_text);
        EXPECT_EQ("kavroconv: " + Path("missing.bin") + ": no such file\n", err_text);
    }
    EXPECT_EQ(0, Run({"--version", Path("missing.bin")}));
    EXPECT_EQ("kavroconv " EXPECTED_VERSION "\n", out_text);
    EXPECT_EQ("", err_text);
    EXPECT_EQ(Names({"a.bin", "a.bmp"}), Listing());
}

#ifdef _WIN32

// cmd.exe hands the patterns over as they are; -o names are never patterns.
TEST_F(ConverterTest, WildcardsStandForTheFramesInNameOrder)
{
    MakeFolder(Path("sub"));
    for (const char *name : {"b.bin", "日本.bin", "A.bin", "sub/2.bin", "sub/1.bin"})
        WriteBytes(Path(name), ZERO_FRAME);
    EXPECT_EQ(0, Run({"-q", Path("*.bin"), Path("sub") + "\\?.bin"}));
    EXPECT_EQ(Names({"A.bin", "A.bmp", "b.bin", "b.bmp", "sub", "日本.bin", "日本.bmp"}),
              Listing());
    EXPECT_EQ(Names({"1.bin", "1.bmp", "2.bin", "2.bmp"}), Listing("sub"));

    EXPECT_EQ(1, Run({Path("*.raw"), Path("sub") + "\\1.bin"}));
    EXPECT_EQ("kavroconv: " + Path("*.raw") + ": no file matches this name\n", err_text);
    EXPECT_EQ(Path("sub") + "\\1.bin -> " + Path("sub") + "\\1.bmp\n", out_text);

    WriteBytes(Path("old1.png"), TextBytes("old picture"));
    EXPECT_EQ(1, Run({"-o", Path("old?.png"), Path("日*.bin")}));
    EXPECT_EQ("kavroconv: " + Path("old?.png") + ": cannot write: Invalid file name\n", err_text);
    EXPECT_TRUE(TextBytes("old picture") == ReadBytes(Path("old1.png")));
    EXPECT_EQ(2, Run({"-o", Path("one.png"), Path("*.bin")}));
    EXPECT_EQ("kavroconv: -o needs exactly one frame file; " + Path("*.bin") + " matches 3\n",
              err_text);
}

#else

// A pipe or a device would never end a read; a file under /proc says it
// holds 0 bytes. Each is refused before any waiting.
TEST_F(ConverterTest, InputsThatAreNoFramesNeverHang)
{
    ASSERT_EQ(0, mkfifo(Path("fifo.bin").c_str(), 0600));
    EXPECT_EQ(1, Run({Path("fifo.bin"), "/dev/zero", "/proc/self/cmdline", Path("*.bin")}));
    EXPECT_EQ("kavroconv: " + Path("fifo.bin")
                  + ": is a pipe, not a frame file\n"
                    "kavroconv: /dev/zero: is a device, not a frame file\n"
                    "kavroconv: /proc/self/cmdline: not a frame: ",
              err_text.substr(0, err_text.find("not a frame: ") + 13));
    EXPECT_NE(std::string::npos, err_text.find(" bytes, a frame has exactly 13824\nkavroconv: "
                                               + Path("*.bin") + ": no such file\n"));
    EXPECT_EQ("", out_text);
    EXPECT_EQ(Names({"fifo.bin"}), Listing());
}

#endif
