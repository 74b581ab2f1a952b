// What --events writes: each line JSON (read back by a checker of the
// test's own), the events of a run in order, a frame told only once its
// file is under its name, and the results of --exec's programs.
#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <map>

#include "files.h"
#include "json_text.h"
#include "output_file_calls.h"
#include "pukavro_version.h"
#include "run_fixture.h"
#include "temp_folder_fixture.h"

namespace {

const FakeStep STEP_FAILED = {CAMERA_REQUEST_FAILED, 0};
const FakeStep STEP_FRAME = {CAMERA_FRAME, 0};

// A JSON reader just strict enough to refuse what a JSON parser refuses (and
// \u escapes beyond ASCII, which ours never writes); fields: the top level's
// names and values (strings decoded).
struct JsonReader {
    const std::string &s;
    size_t at;
    bool Literal(const char *word)
    {
        size_t n = strlen(word);
        if (s.compare(at, n, word) != 0)
            return false;
        at += n;
        return true;
    }
    bool String(std::string *out)
    {
        if (!Literal("\""))
            return false;
        while (at < s.size() && s[at] != '"') {
            unsigned char c = static_cast<unsigned char>(s[at++]);
            if (c < 0x20)
                return false;
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (at == s.size())
                return false;
            char e = s[at++];
            const char *plain = strchr("\"\\/bfnrt", e);
            if (plain != NULL && e != '\0') {
                *out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            } else if (e == 'u' && at + 4 <= s.size()) {
                // Ours escapes only control characters this way.
                unsigned long c = strtoul(s.substr(at, 4).c_str(), NULL, 16);
                if (c >= 0x80)
                    return false;
                *out += static_cast<char>(c);
                at += 4;
            } else {
                return false;
            }
        }
        return Literal("\"");
    }
    bool Value(std::string *out)
    {
        size_t start = at;
        if (at < s.size() && s[at] == '"')
            return String(out);
        if (at < s.size() && s[at] == '{')
            return Object(NULL) && (*out = s.substr(start, at - start), true);
        if (Literal("true") || Literal("false") || Literal("null"))
            return *out = s.substr(start, at - start), true;
        Literal("-");
        for (const char *part : {"", ".", "e"}) {
            if (*part != '\0' && !Literal(part) && !(*part == 'e' && Literal("E")))
                continue;
            if (*part == 'e' && !Literal("+"))
                Literal("-");
            size_t first = at;
            while (at < s.size() && isdigit(static_cast<unsigned char>(s[at])))
                ++at;
            if (at == first || (*part == '\0' && s[first] == '0' && at > first + 1))
                return false;
        }
        return *out = s.substr(start, at - start), true;
    }
    bool Object(std::map<std::string, std::string> *fields)
    {
        if (!Literal("{"))
            return false;
        for (bool first = true; !Literal("}"); first = false) {
            std::string name, value;
            if ((!first && !Literal(",")) || !String(&name) || !Literal(":") || !Value(&value))
                return false;
            if (fields != NULL && !fields->emplace(name, value).second)
                return false;
        }
        return true;
    }
};

bool ReadJsonLine(const std::string &line, std::map<std::string, std::string> *fields)
{
    JsonReader reader = {line, 0};
    return reader.Object(fields) && reader.at == line.size();
}

std::string TextOf(const Bytes &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

Strings Lines(const std::string &text)
{
    Strings lines;
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

std::string Frame(const std::string &path, int n, const std::string &more = "", int take_ms = 0)
{
    return "{\"event\":\"frame\",\"path\":\"" + path + "\",\"n\":" + std::to_string(n) + more
           + ",\"time\":\"2026-12-09T07:30:05.123+09:00\",\"take_ms\":" + std::to_string(take_ms)
           + ",\"stacked\":1}";
}

std::string End(int saved, int failed, int skipped, int status, bool ctrl_c = false)
{
    return "{\"event\":\"end\",\"saved\":" + std::to_string(saved) + ",\"failed\":"
           + std::to_string(failed) + ",\"skipped\":" + std::to_string(skipped) + ",\"status\":"
           + std::to_string(status) + ",\"ctrl_c\":" + (ctrl_c ? "true" : "false") + "}";
}

struct EventsCase {
    const char *what;
    std::vector<FakeStep> script;
    ClockSetting clock;
    Strings args;
    int status;
    std::string out;  // "": the events are there
    Strings events;   // after the start line
};

// clang-format off
const EventsCase SEQUENCES[] = {
    {"saved files, still listed", {}, {0, 0}, {"-q", "-n", "2", "--events", "ev.jsonl", "f{n}.bin"},
     0, "f1.bin\nf2.bin\n", {Frame("f1.bin", 1), Frame("f2.bin", 2), End(2, 0, 0, 0)}},
    {"a failure", {STEP_FAILED, STEP_FAILED, STEP_FAILED}, {0, 0}, {"-q", "-n", "2", "--events", "-"}, 1, "",
     {"{\"event\":\"failed\",\"slot\":1,\"reason\":\"request failed (3 attempts)\","
      "\"code\":\"request_failed\"}", Frame("kavro002.bin", 2), End(1, 1, 0, 1)}},
    {"a name taken twice", {}, {0, 0}, {"-q", "-n", "2", "-i", "1", "--events", "-", "t{time}.bin"},
     1, "", {Frame("t073005.bin", 1), "{\"event\":\"failed\",\"slot\":2,"
      "\"reason\":\"t073005.bin: file exists\",\"code\":\"file_exists\"}", End(1, 1, 0, 1)}},
    {"Ctrl+C", {}, {0, 2}, {"-q", "-n", "3", "-i", "1", "--events", "-"}, 3, "",
     {Frame("kavro001.bin", 1), Frame("kavro002.bin", 2), End(2, 0, 0, 3, true)}},
    {"a slot skipped, the camera's time told", {}, {2500000, 0},
     {"-q", "-n", "4", "-i", "1", "--events", "-"}, 1, "",
     {Frame("kavro001.bin", 1, "", 2500), "{\"event\":\"skipped\",\"slot\":2}",
      Frame("kavro003.bin", 3, "", 2500), Frame("kavro004.bin", 4, "", 2500), End(3, 0, 1, 1)}},
    {"a movie, a frame at a time", {STEP_FRAME, STEP_FAILED, STEP_FAILED, STEP_FAILED}, {0, 0},
     {"-q", "-n", "3", "--events", "-", "m.avi"}, 1, "",
     {"{\"event\":\"failed\",\"slot\":2,\"reason\":\"request failed (3 attempts)\","
      "\"code\":\"request_failed\"}", Frame("m.avi", 1, ",\"index\":0"),
      Frame("m.avi", 3, ",\"index\":1"), End(2, 1, 0, 1)}},
};
// clang-format on

TEST_F(KavrocapRunTest, EventsTellTheRunInOrder)
{
    for (const EventsCase &c : SEQUENCES) {
        SCOPED_TRACE(c.what);
        Fresh(c.script, c.clock);
        EXPECT_EQ(c.status, Run(c.args));
        std::string events = c.out.empty() ? out : TextOf(ReadBytes(Path("ev.jsonl")));
        EXPECT_EQ(c.out.empty() ? "" : c.out, c.out.empty() ? "" : out);
        Strings lines = Lines(events);
        ASSERT_FALSE(lines.empty());
        for (const std::string &line : lines) {
            std::map<std::string, std::string> fields;
            EXPECT_TRUE(ReadJsonLine(line, &fields)) << line;
        }
        std::map<std::string, std::string> start;
        ReadJsonLine(lines[0], &start);
        EXPECT_EQ("start", start["event"]);
        EXPECT_EQ(c.events, Strings(lines.begin() + 1, lines.end()));
    }
}

TEST_F(KavrocapRunTest, TheStartTellsTheOptionsAndTheCamera)
{
    EXPECT_EQ(0, Run({"-q", "--events", "-", "-d", "1", "-n", "2", "-i", "0.5", "f{n}.png"}));
    EXPECT_EQ(
        "{\"event\":\"start\",\"schema\":1,\"version\":\"" PUKAVRO_VERSION_TEXT "\","
        "\"options\":{\"output\":\"f{n}.png\",\"format\":\"png\",\"count\":2,\"interval\":0.5,"
        "\"skip\":0,\"start\":1,\"overwrite\":false,\"timeout\":5,\"retries\":2,\"average\":1,"
        "\"stack\":\"mean\","
        "\"exec\":null,\"exec_timeout\":60},\"camera\":\"\\\\\\\\.\\\\ezusb-1\"}",
        Lines(out)[0]);
}

// At each rename of a frame into place: its name, and the frames told so far.
Strings g_renames;

std::string Told(const std::string &to)
{
    std::string text = TextOf(ReadBytes("ev.jsonl"));
    size_t frames = 0;
    for (size_t at = 0; (at = text.find("\"frame\"", at)) != std::string::npos; ++at)
        ++frames;
    return to.substr(to.find_last_of("/\\") + 1) + " " + std::to_string(frames);
}

#ifdef _WIN32
BOOL WINAPI RenameAndSee(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    char name[MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, to, -1, name, MAX_PATH, NULL, NULL);
    g_renames.push_back(Told(name));
    return SYSTEM_OUTPUT_FILE_CALLS.rename(from, to, flags);
}
#else
int RenameAndSee(const char *from, const char *to, int replace)
{
    g_renames.push_back(Told(to));
    return SYSTEM_OUTPUT_FILE_CALLS.rename(from, to, replace);
}
#endif

TEST_F(KavrocapRunTest, AFrameIsToldOnlyOnceItsFileIsInPlace)
{
    OutputFileCalls seeing = SYSTEM_OUTPUT_FILE_CALLS;
    seeing.rename = RenameAndSee;
    UseOutputFileCalls(&seeing);
    g_renames.clear();
    EXPECT_EQ(0, Run({"-q", "-n", "3", "--events", "ev.jsonl", "f{n}.bmp"}));
    UseOutputFileCalls(NULL);
    EXPECT_EQ(Strings({"f1.bmp 0", "f2.bmp 1", "f3.bmp 2"}), g_renames);
    EXPECT_EQ("f3.bmp 3", Told("f3.bmp"));
}

TEST_F(KavrocapRunTest, AnEventsFileIsNeverReplacedUnlessTold)
{
    // clang-format off
    const RunCase REFUSED[] = {
        {"refused", {}, {"ev.jsonl"}, {"--events", "ev.jsonl"}, 1, "",
         "kavrocap: ev.jsonl exists; nothing was captured (--overwrite replaces it)\n",
         {{"ev.jsonl", HOLDS_KEPT, 0}}, 0},
        {"in a folder that is not there", {}, {}, {"--events", "no/ev.jsonl"}, 1, "",
         "kavrocap: cannot create no/ev.jsonl: No such file or directory\n", {}, 0},
        {"a folder", {}, {"ev/x"}, {"--overwrite", "--events", "ev"}, 1, "",
         "kavrocap: cannot create ev: Is a directory\n", {{"ev", HOLDS_FILES, 0}}, 0},
    };
    // clang-format on
    for (const RunCase &c : REFUSED)
        Check(c);
    Fresh({});
    WriteBytes(Path("ev.jsonl"), Bytes(3000, 'x'));
    EXPECT_EQ(0, Run({"-q", "--overwrite", "--events", "ev.jsonl"}));
    Strings lines = Lines(TextOf(ReadBytes(Path("ev.jsonl"))));
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(End(1, 0, 0, 0), lines[2]);
}

TEST(EventsJson, StringsAreEscapedAndReadBackWhole)
{
    const struct {
        std::string text, json;
    } rows[] = {
        {"C:\\frames\\\"a\".bin", "\"C:\\\\frames\\\\\\\"a\\\".bin\""},
        {"line\nfeed\ttab\r\x01\x1f\x7f", "\"line\\nfeed\\ttab\\r\\u0001\\u001f\\u007f\""},
        {"\xe5\x86\x99\xe7\x9c\x9f caf\xc3\xa9 \xf0\x9f\x93\xb7",
         "\"\xe5\x86\x99\xe7\x9c\x9f caf\xc3\xa9 \xf0\x9f\x93\xb7\""},
        // Bytes of no UTF-8 character, a cut-off one, an overlong one.
        {"a\xff"
         "b\xe5\x86"
         "c\xc0\xaf",
         "\"a\xef\xbf\xbd"
         "b\xef\xbf\xbd\xef\xbf\xbd"
         "c\xef\xbf\xbd\xef\xbf\xbd\""},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(row.json, JsonText(row.text));
        std::map<std::string, std::string> fields;
        ASSERT_TRUE(ReadJsonLine("{\"t\":" + JsonText(row.text) + "}", &fields)) << row.json;
    }
    std::map<std::string, std::string> fields;
    ReadJsonLine("{\"t\":" + JsonText(rows[1].text) + "}", &fields);
    EXPECT_EQ(rows[1].text, fields["t"]);
    // The reader refuses what is no JSON.
    for (const char *bad : {"{\"a\":1,}", "{\"a\":\"\x01\"}", "{\"a\":01}", "{\"a\":\"\\q\"}",
                            "{\"a\":1}x", "{\"a\":1,\"a\":2}"}) {
        std::map<std::string, std::string> none;
        EXPECT_FALSE(ReadJsonLine(bad, &none)) << bad;
    }
}

// Each program ends with the exit code its file's number says.
ExecOutcome ExitWithNumber(void *, const std::string &command, const std::string &path,
                           int64_t timeout_ms, uint32_t *exit_code, std::string *)
{
    EXPECT_EQ("tidy --now", command);
    EXPECT_EQ(1500, timeout_ms);
    *exit_code = static_cast<uint32_t>(path[1] - '0');
    return EXEC_EXITED;
}

// Each number between before and after as N.
std::string Masked(std::string text, const std::string &before, const std::string &after)
{
    for (size_t at = 0; (at = text.find(before, at)) != std::string::npos; ++at) {
        size_t first = at + before.size(), end = first;
        while (end < text.size() && isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (end > first && text.compare(end, after.size(), after) == 0)
            text.replace(first, end - first, "N");
    }
    return text;
}

std::string NoMs(const std::string &text)
{
    return Masked(Masked(text, "\"ms\":", ","), "(", " ms)");
}

TEST_F(KavrocapRunTest, ProgramsRunAfterEachFileAndNeverChangeTheStatus)
{
    exec = {ExitWithNumber, NULL};
    EXPECT_EQ(0, Run({"-q", "-n", "2", "--events", "-", "--exec", "tidy --now", "--exec-timeout",
                      "1.5", "f{n}.bin"}));
    exec = {NULL, NULL};
    Strings lines = Lines(NoMs(out));
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ(End(2, 0, 0, 0), lines[5]);
    std::sort(lines.begin() + 1, lines.end() - 1);
    EXPECT_EQ(Strings({"{\"event\":\"exec\",\"path\":\"f1.bin\",\"result\":\"exited\","
                       "\"exit_code\":1,\"ms\":N,\"text\":\"exit code 1\"}",
                       "{\"event\":\"exec\",\"path\":\"f2.bin\",\"result\":\"exited\","
                       "\"exit_code\":2,\"ms\":N,\"text\":\"exit code 2\"}",
                       Frame("f1.bin", 1), Frame("f2.bin", 2)}),
              Strings(lines.begin() + 1, lines.end() - 1));
    // Each result on standard error too; -q keeps only those that failed.
    Strings told = Lines(NoMs(err));
    std::sort(told.begin(), told.end() - 1);
    EXPECT_EQ(Strings({"kavrocap: --exec f1.bin: exit code 1 (N ms)",
                       "kavrocap: --exec f2.bin: exit code 2 (N ms)",
                       "kavrocap: 2 saved, 0 failed, 0 slots skipped"}),
              told);
}

}  // namespace
