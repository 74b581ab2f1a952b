// Names in the tools: the picture format a name says, and the files a
// Windows wildcard stands for.
#include "picture.h"
#include "temp_folder_fixture.h"
#include "wildcards.h"

typedef std::vector<std::string> Names;

TEST(PictureName, FormatFromTheExtensionInAnyCase)
{
    const struct {
        const char *name;
        bool known;
        OutputFormat format;
    } cases[] = {
        {"a.png", true, FORMAT_PNG},     {"dir/A.PNG", true, FORMAT_PNG},
        {"x.Bmp", true, FORMAT_BMP},     {".bmp", true, FORMAT_BMP},
        {"a.bmp.png", true, FORMAT_PNG}, {"a.raw", true, FORMAT_RAW},
        {"a.BIN", true, FORMAT_RAW},     {"a.png.bin", true, FORMAT_RAW},
        {"a.pngx", false, FORMAT_RAW},   {"apng", false, FORMAT_RAW},
        {"a.gif", false, FORMAT_RAW},    {"png", false, FORMAT_RAW},
        {"", false, FORMAT_RAW},         {"a.bin.", false, FORMAT_RAW},
        {"kavro001", false, FORMAT_RAW}, {"a.JPG", true, FORMAT_JPEG},
        {"a.jpeg", true, FORMAT_JPEG},
    };
    for (const auto &c : cases) {
        OutputFormat format = FORMAT_PNG;
        EXPECT_EQ(c.known, FormatFromExtension(c.name, &format)) << c.name;
        if (c.known) {
            EXPECT_EQ(c.format, format) << c.name;
        }
    }
}

TEST(PictureName, WholeFilesOfEachFormat)
{
    std::vector<uint8_t> frame(RAW_FRAME_BYTES, 0x80), bytes(1, 0xEE);
    ASSERT_EQ(PICTURE_ENCODED, EncodePicture(frame.data(), FORMAT_BMP, &bytes));
    EXPECT_EQ(20790u, bytes.size());
    EXPECT_EQ(Bytes({'B', 'M', 0x36, 0x51, 0, 0}), Bytes(bytes.begin(), bytes.begin() + 6));
    ASSERT_EQ(PICTURE_ENCODED, EncodePicture(frame.data(), FORMAT_PNG, &bytes));
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}),
              Bytes(bytes.begin(), bytes.begin() + 8));
}

// Each name comes before the next one, and never after itself.
TEST(PictureName, NaturalOrderOfNumberedFiles)
{
    const Names order = {"",
                         "0",
                         "09",
                         "9",
                         "010",
                         "kavro.bin",
                         "KAVRO1.bin",
                         "kavro01.bin",
                         "kavro1.bin",
                         "kavro9.bin",
                         "kavro10.bin",
                         "Kavro11.bin",
                         "kavro100.bin",
                         "kavro999.bin",
                         "kavro1000.bin",
                         "kavro1000a.bin",
                         "kavro1000B.bin",
                         "kavro18446744073709551617.bin",
                         "kavroa.bin",
                         "\xC3\xA9.bin"};
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_FALSE(NaturalNameBefore(order[i], order[i])) << order[i];
        for (size_t j = i + 1; j < order.size(); ++j) {
            EXPECT_TRUE(NaturalNameBefore(order[i], order[j])) << order[i] << " " << order[j];
            EXPECT_FALSE(NaturalNameBefore(order[j], order[i])) << order[j] << " " << order[i];
        }
    }
}

namespace {

class WildcardTest : public TempFolderTest {};

}  // namespace

#ifdef _WIN32

// Files made in an order unlike the name order; folders never match.
TEST_F(WildcardTest, PatternsStandForTheFilesInNameOrder)
{
    MakeFolder(Path("sub"));
    MakeFolder(Path("folder.bin"));
    for (const char *name : {"c.bin", "日本.bin", "a.BIN", "B.bin", "x.txt", "sub/é1.bin",
                             "sub/e22.bin", "sub/\xF0\x9F\x98\x80.bin"})
        WriteBytes(Path(name), Bytes(1, 0));
    const std::string folder = Path("");
    const struct {
        std::string argument;
        int result;
        Names names;
    } cases[] = {
        {folder + "*.bin",
         0,
         {folder + "a.BIN", folder + "B.bin", folder + "c.bin", folder + "日本.bin"}},
        {folder + "sub\\?1.bin", 0, {folder + "sub\\é1.bin"}},
        {folder + "sub/*",
         0,
         {folder + "sub/e22.bin", folder + "sub/é1.bin", folder + "sub/\xF0\x9F\x98\x80.bin"}},
        {folder + "*.png", -1, {}},
        {folder + "none\\*.bin", -1, {}},
        {folder + "literal.bin", 0, {folder + "literal.bin"}},
    };
    for (const auto &c : cases) {
        Names names = {"before"};
        std::string problem;
        EXPECT_EQ(c.result, ExpandWildcards(c.argument.c_str(), &names, &problem)) << c.argument;
        Names expected = {"before"};
        expected.insert(expected.end(), c.names.begin(), c.names.end());
        EXPECT_EQ(expected, names);
        EXPECT_EQ(c.result == 0 ? "" : c.argument + ": no file matches this name", problem);
    }
}

#else

TEST_F(WildcardTest, ArgumentsAreTakenAsTheyAre)
{
    WriteBytes(Path("a.bin"), Bytes(1, 0));
    for (std::string argument : {Path("*.bin"), Path("?.bin"), Path("a.bin")}) {
        Names names;
        std::string problem;
        EXPECT_EQ(0, ExpandWildcards(argument.c_str(), &names, &problem));
        EXPECT_EQ(Names({argument}), names);
        EXPECT_EQ("", problem);
    }
}

#endif
