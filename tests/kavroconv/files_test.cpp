// Which files the tool reads and writes, what it says, and how it ends.
#include <chrono>
#include <filesystem>

#include "converter_fixture.h"
#include "frame.h"

namespace fs = std::filesystem;

typedef std::vector<std::string> Names;

namespace {

const Bytes ZERO_FRAME(RAW_FRAME_BYTES, 0);

}  // namespace

TEST_F(ConverterTest, PicturesGoBesideTheirFrames)
{
    for (const char *name : {"kavro001.bin", "KAVRO002.BIN", "frame.raw"})
        WriteBytes(Path(name), ZERO_FRAME);
    EXPECT_EQ(0, Run({Path("kavro001.bin"), Path("KAVRO002.BIN"), Path("frame.raw")}));
    EXPECT_EQ(Path("kavro001.bin") + " -> " + Path("kavro001.bmp") + "\n" + Path("KAVRO002.BIN")
                  + " -> " + Path("KAVRO002.bmp") + "\n" + Path("frame.raw") + " -> "
                  + Path("frame.raw.bmp") + "\n",
              out_text);
    EXPECT_EQ("", err_text);

    EXPECT_EQ(0, Run({"--format", "png", Path("kavro001.bin")}));
    EXPECT_EQ(Path("kavro001.bin") + " -> " + Path("kavro001.png") + "\n", out_text);
    EXPECT_EQ(Names({"KAVRO002.BIN", "KAVRO002.bmp", "frame.raw", "frame.raw.bmp", "kavro001.bin",
                     "kavro001.bmp", "kavro001.png"}),
              Listing());
}

TEST_F(ConverterTest, OutputOptionNamesThePictureAndReplacesIt)
{
    WriteBytes(Path("kavro001.bin"), ZERO_FRAME);
    ASSERT_EQ(0, Run({"-o", Path("first.bmp"), Path("kavro001.bin")}));
    EXPECT_EQ(Path("kavro001.bin") + " -> " + Path("first.bmp") + "\n", out_text);

    WriteBytes(Path("picture.bmp"), Bytes(30000, 0xAA));
    EXPECT_EQ(0, Run({Path("kavro001.bin"), "-o", Path("picture.bmp")}));
    EXPECT_TRUE(ReadBytes(Path("first.bmp")) == ReadBytes(Path("picture.bmp")));
    EXPECT_EQ(Names({"first.bmp", "kavro001.bin", "picture.bmp"}), Listing());
}

TEST_F(ConverterTest, BadFramesAreReportedAndTheOthersConverted)
{
    WriteBytes(Path("good1.bin"), ZERO_FRAME);
    WriteBytes(Path("short.bin"), Bytes(100, 0));
    WriteBytes(Path("long.bin"), Bytes(RAW_FRAME_BYTES + 1, 0));
    WriteBytes(Path("empty.bin"), Bytes());
    MakeFolder(Path("folder.bin"));
    WriteBytes(Path("good2.bin"), ZERO_FRAME);
    EXPECT_EQ(1, Run({Path("good1.bin"), Path("missing.bin"), Path("short.bin"), Path("long.bin"),
                      Path("empty.bin"), Path("folder.bin"), Path("good2.bin")}));
    EXPECT_EQ("kavroconv: " + Path("missing.bin")
                  + ": no such file\n"
                    "kavroconv: "
                  + Path("short.bin")
                  + ": not a frame: 100 bytes, a frame has exactly 13824\n"
                    "kavroconv: "
                  + Path("long.bin")
                  + ": not a frame: 13825 bytes, a frame has exactly 13824\n"
                    "kavroconv: "
                  + Path("empty.bin")
                  + ": not a frame: 0 bytes, a frame has exactly 13824\n"
                    "kavroconv: "
                  + Path("folder.bin") + ": is a directory, not a frame file\n",
              err_text);
    EXPECT_EQ(Path("good1.bin") + " -> " + Path("good1.bmp") + "\n" + Path("good2.bin") + " -> "
                  + Path("good2.bmp") + "\n",
              out_text);
    EXPECT_EQ(Names({"empty.bin", "folder.bin", "good1.bin", "good1.bmp", "good2.bin", "good2.bmp",
                     "long.bin", "short.bin"}),
              Listing());
}

TEST_F(ConverterTest, UnwritablePictureIsReported)
{
    WriteBytes(Path("kavro001.bin"), ZERO_FRAME);
    std::string nowhere = Path("no-folder") + "/kavro001.bmp";
    EXPECT_EQ(1, Run({"-o", nowhere, Path("kavro001.bin")}));
    EXPECT_EQ("kavroconv: " + nowhere + ": cannot write: No such file or directory\n", err_text);
    EXPECT_EQ("", out_text);
#ifndef _WIN32
    for (const char *format : {"bmp", "png"}) {
        EXPECT_EQ(1, Run({"--format", format, "-o", "/dev/full", Path("kavro001.bin")}));
        EXPECT_EQ("kavroconv: /dev/full: cannot write: Not a regular file\n", err_text);
    }
#endif
    EXPECT_EQ(Names({"kavro001.bin"}), Listing());
}

// However the output reaches the frame file, the frame keeps its bytes and
// its time stamp (set well in the past, so that any rewrite would show).
TEST_F(ConverterTest, FrameIsNeverItsOwnOutput)
{
    // A raw frame under a picture's name: an -o name ending in .bin is
    // refused as raw before any file is looked at.
    const std::string frame = Path("kavro001.png");
    WriteBytes(frame, MixedFrame());
    fs::last_write_time(frame, fs::last_write_time(frame) - std::chrono::hours(24 * 400));
    const fs::file_time_type stamp = fs::last_write_time(frame);
    fs::create_hard_link(frame, Path("link.png"));
    const std::string other_spelling = Path("../files/kavro001.png");
    std::vector<Names> runs = {
        {"-o", frame, frame},
        {"-o", other_spelling, frame},
        {"-o", Path("link.png"), frame},
#ifdef _WIN32
        {"-o", Path("KAVRO001.PNG"), frame},
#endif
    };
    for (const Names &args : runs) {
        EXPECT_EQ(1, Run(args)) << args[1];
        EXPECT_EQ("kavroconv: " + frame + ": output " + args[1]
                      + " is this frame file itself, not overwritten\n",
                  err_text);
    }
    fs::create_hard_link(frame, Path("kavro001.png.bmp"));
    EXPECT_EQ(1, Run({frame}));
    EXPECT_EQ("kavroconv: " + frame + ": output " + Path("kavro001.png.bmp")
                  + " is this frame file itself, not overwritten\n",
              err_text);
    EXPECT_EQ("", out_text);
    EXPECT_TRUE(MixedFrame() == ReadBytes(frame));
    EXPECT_TRUE(stamp == fs::last_write_time(frame));
}

TEST_F(ConverterTest, WrongCommandLineConvertsNothing)
{
    WriteBytes(Path("a.bin"), ZERO_FRAME);
    WriteBytes(Path("b.bin"), ZERO_FRAME);
    const std::string a = Path("a.bin"), b = Path("b.bin"), m = Path("m.avi");
    const std::string rate_problem =
        " takes frames per second from 0.001 to 1000 with at most three decimals, not '";
    const std::string repair_alone = "--repair mends movies in place: no -o, --format or --fps";
    struct {
        Names args;
        std::string problem;
    } cases[] = {
        {{}, "no frame file given"},
        {{"-o", Path("x.bmp"), a, b}, "-o needs exactly one frame file"},
        {{"-o", Path("x.gif"), a},
         "cannot tell the format from the name " + Path("x.gif")
             + ": end it in .bmp, .png, .avi, .jpg or .jpeg, or give --format"},
        {{"-o", Path("x"), a},
         "cannot tell the format from the name " + Path("x")
             + ": end it in .bmp, .png, .avi, .jpg or .jpeg, or give --format"},
        {{"-f", "png", "-o", Path("x.RAW"), a},
         "the output name " + Path("x.RAW")
             + " says raw; kavroconv writes pictures (bmp, png or jpeg) and movies (avi)"},
        {{"-o", Path("x.bmp"), a, "-o", Path("y.bmp")}, "-o given twice"},
        {{a, "-o"}, "-o needs a file name"},
        {{"--format", "gif", a}, "--format takes bmp, png, avi, png16, raw16 or jpeg, not 'gif'"},
        {{"-f", "raw", a}, "-f takes bmp, png, avi, png16, raw16 or jpeg, not 'raw'"},
        {{a, "--format"}, "--format needs a value: bmp, png, avi, png16, raw16 or jpeg"},
        {{"-x", a}, "unknown option -x"},
        // Movies need their name and a rate in range; --repair takes movies alone.
        {{"--fps", "0", "-o", m, a}, "--fps" + rate_problem + "0'"},
        {{"-o", m, a, "--fps=12.3456"}, "--fps" + rate_problem + "12.3456'"},
        {{"-o", m, a, "--fps"}, "--fps needs a value: frames per second"},
        {{"--fps", "10", a}, "--fps goes with a movie (-o NAME.avi, or --format avi)"},
        {{"--fps", "10", "-o", Path("x.png"), a},
         "--fps goes with a movie (-o NAME.avi, or --format avi)"},
        {{"-f", "avi", a, b}, "a movie needs its name: -o NAME.avi"},
        {{"-f", "avi", "-o", Path("x.png"), a},
         "--format avi but the output name " + Path("x.png") + " says png"},
        {{"-o", m, "--format", "bmp", a}, "--format bmp but the output name " + m + " says avi"},
        {{"--repair", "-o", m, a}, repair_alone},
        {{"--repair", "-f", "avi", m}, repair_alone},
        {{"--fps", "5", "--repair", m}, repair_alone},
        {{"--repair"}, "no movie given"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(2, Run(c.args)) << c.problem;
        EXPECT_EQ("kavroconv: " + c.problem + "\n" + USAGE, err_text);
        EXPECT_EQ("", out_text);
    }
    EXPECT_EQ(Names({"a.bin", "b.bin"}), Listing());
}

TEST_F(ConverterTest, HelpDescribesTheFrameFormatAndConvertsNothing)
{
    WriteBytes(Path("a.bin"), ZERO_FRAME);
    EXPECT_EQ(0, Run({Path("a.bin"), "--help"}));
    for (const char *text :
         {"96x72", "UYVY", "13824 bytes", "top row first, no header", "--format bmp|png|avi",
          "-o OUTPUT", "--fps R", "default 25", "--repair", "keeping every whole frame"})
        EXPECT_NE(std::string::npos, out_text.find(text)) << text;
    EXPECT_EQ("", err_text);
    EXPECT_EQ(Names({"a.bin"}), Listing());
}
