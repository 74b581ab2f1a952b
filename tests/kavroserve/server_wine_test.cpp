// kavroserve on the simulated camera, read over loopback sockets: the
// program's snapshot, status and log; the refusal of an open address
// without a token; the listener's exclusive bind; the server in-process
// with a token, ended by its stop signal with every connection.
#include <winsock2.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <stdio.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "camera_fixture.h"
#include "clients.h"
#include "files.h"
#include "hang_limit.h"
#include "kavroserve.h"
#include "run_program.h"
#include "serve_support.h"
#include "server_options.h"
#include "timed_capture.h"
#include "token_file.h"
#include "wait.h"

namespace {

std::string g_exe;

// The port of the start line in the file a server writes its output to.
uint16_t PortFrom(const std::string &path)
{
    std::vector<uint8_t> bytes;
    const std::string start = "kavroserve: serving camera 0 on http://127.0.0.1:";
    uint16_t port = 0;
    WaitUntil([&] {
        bytes.clear();
        ReadWholeFile(path, &bytes);
        std::string text(bytes.begin(), bytes.end());
        if (text.compare(0, start.size(), start) == 0 && text.find("/\r\n") != std::string::npos)
            port = (uint16_t)atoi(text.c_str() + start.size());
        return port != 0;
    });
    return port;
}

class ServerTest : public SimulatedCamera {
protected:
    void SetUp() override
    {
        SimulatedCamera::SetUp();
        ASSERT_EQ(0, MakeTempFolder(&folder));
    }
    void TearDown() override
    {
        RemoveFolder(folder);
        SimulatedCamera::TearDown();
    }
    std::string folder;
};

TEST_F(ServerTest, TheProgramServesASnapshotAndItsStatusAndLogsThePathsAlone)
{
    Server server;
    std::string why;
    ASSERT_EQ(0, StartServer(&server, g_exe, {}, &why)) << why;
    uint16_t port = server.port;
    std::string snapshot = Exchange(port, Request("GET", "/snapshot?token=secret", port));
    std::string status = Exchange(port, Request("GET", "/status", port));
    StopServer(&server);

    std::string jpeg = SplitAnswer(snapshot).body;
    EXPECT_EQ(0u, snapshot.find("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: "
                                + std::to_string(jpeg.size()) + "\r\n"))
        << snapshot.substr(0, 200);
    EXPECT_EQ("\xFF\xD8\xFF\xE0", jpeg.substr(0, 4));
    EXPECT_EQ("\xFF\xD9", jpeg.substr(jpeg.size() - 2));
    EXPECT_EQ(
        0u, SplitAnswer(status).body.find("{\"camera\":\"\\\\\\\\.\\\\ezusb-0\",\"present\":true,"))
        << status;
    std::string text = ServerText(&server);
    EXPECT_NE(std::string::npos, text.find(" GET /snapshot 200\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(" GET /status 200\r\n")) << text;
    EXPECT_EQ(std::string::npos, text.find("secret")) << text;
}

TEST_F(ServerTest, AnOpenAddressWithoutATokenIsRefusedAtTheStart)
{
    std::wstring command = L"\"" + ToUtf16(g_exe) + L"\" --listen 0.0.0.0:0";
    ProgramRun run;
    ASSERT_EQ(0, RunProgram(command.c_str(), NULL, NULL, HANG_MS, &run));
    EXPECT_EQ(2u, run.exit_code);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(
        std::string(
            "kavroserve: --listen 0.0.0.0:0 is reachable from other machines: it"
            " needs --token-file FILE, so that only those who have the token see"
            " the camera\r\nusage: kavroserve [OPTIONS]   (kavroserve --help tells more)\r\n"),
        run.err);
}

TEST_F(ServerTest, TheListenerHoldsItsPortExclusively)
{
    ListenAddress any;
    ASSERT_TRUE(ParseListenAddress("127.0.0.1:0", &any));
    Listener first, second;
    std::string problem;
    ASSERT_EQ(LISTENING, OpenListener(any, 0, stderr, NULL, &first, &problem)) << problem;
    BOOL exclusive = FALSE;
    int size = sizeof exclusive;
    EXPECT_EQ(0, getsockopt((SOCKET)first.socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                            (char *)&exclusive, &size));
    EXPECT_TRUE(exclusive);
    ListenAddress same = any;
    same.port = first.port;
    FILE *err = tmpfile();
    EXPECT_EQ(LISTEN_FAILED, OpenListener(same, 1000, err, NULL, &second, &problem));
    std::string name = "127.0.0.1:" + std::to_string(first.port);
    EXPECT_EQ(name + " is in use by another program", problem);
    rewind(err);
    char said[200] = "";
    fgets(said, sizeof said, err);
    fclose(err);
    EXPECT_EQ("kavroserve: " + name + " is still in use; trying again for 1 s\n", said);
    CloseListener(&first);
}

// The token file made on the way; a request without it is refused, one with
// it served; the stop ends a stream's connection and the server.
TEST_F(ServerTest, WithATokenAndEndedByItsStopSignal)
{
    std::string token_file = PathIn(folder, "token.txt"), out = PathIn(folder, "out.txt");
    std::vector<std::string> args = {"kavroserve", "--listen", "127.0.0.1:0", "--token-file",
                                     token_file};
    FILE *out_file = _wfopen(ToUtf16(out).c_str(), L"w");
    FILE *err_file = tmpfile();
    ASSERT_TRUE(out_file && err_file);
    StopSignal stop;
    ExitStatus status = EXIT_SOME_FAILED;
    std::thread server(
        [&] { status = RunKavroserve(args, out_file, err_file, TimedCameraSeam(), &stop); });
    // No ASSERT until the join: a port missed fails the reads at once.
    uint16_t port = PortFrom(out);
    EXPECT_NE(0, port);
    std::string token;
    std::string problem;
    EXPECT_EQ(TOKEN_FILE_READ, LoadTokenFile(token_file, &token, &problem)) << problem;
    EXPECT_EQ(64u, token.size());
    std::string ask = Request("GET", "/status", port);
    EXPECT_EQ(0u, Exchange(port, ask).find("HTTP/1.1 401 "));
    ask.insert(ask.size() - 2, "Authorization: Bearer " + token + "\r\n");
    EXPECT_EQ(0u, Exchange(port, ask).find("HTTP/1.1 200 OK\r\n"));

    SOCKET viewer = ConnectTo(port);
    SendText(viewer, Request("GET", "/stream?token=" + token, port));
    std::string seen;
    char bytes[4096];
    int got = 0;
    while (seen.find("Content-Type: image/jpeg") == std::string::npos
           && (got = recv(viewer, bytes, sizeof bytes, 0)) > 0)
        seen.append(bytes, got);
    EXPECT_NE(std::string::npos, seen.find("Content-Type: image/jpeg"));
    RaiseStop(&stop);
    // The server closes the stream: the reader sees its end, not a time-out.
    while ((got = recv(viewer, bytes, sizeof bytes, 0)) > 0) {
    }
    EXPECT_EQ(0, got) << WSAGetLastError();
    closesocket(viewer);
    server.join();
    EXPECT_EQ(EXIT_ALL_DONE, status);
    fclose(out_file);
    fclose(err_file);
}

TEST_F(ServerTest, ATokenFileIsMadeForItsUserAloneAndAShortOneRefused)
{
    std::string path = PathIn(folder, "new.txt"), token, again, problem;
    ASSERT_EQ(TOKEN_FILE_CREATED, LoadTokenFile(path, &token, &problem)) << problem;
    ASSERT_EQ(TOKEN_FILE_READ, LoadTokenFile(path, &again, &problem)) << problem;
    EXPECT_EQ(token, again);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(0, ReadWholeFile(path, &bytes));
    EXPECT_EQ(token + "\r\n", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(64u, token.size());
    EXPECT_EQ(std::string::npos, token.find_first_not_of("0123456789abcdef"));
    ACL *acl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoW(ToUtf16(path).c_str(), SE_FILE_OBJECT,
                                                   DACL_SECURITY_INFORMATION, NULL, NULL, &acl,
                                                   NULL, &descriptor));
    ASSERT_TRUE(acl != NULL);
    // The user's alone; Wine names SYSTEM beside it, as Windows gives it
    // every file.
    HANDLE process_token = NULL;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &process_token));
    std::vector<uint8_t> user(256);
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(process_token, TokenUser, user.data(), 256, &size));
    CloseHandle(process_token);
    char *user_sid = NULL;
    ASSERT_TRUE(ConvertSidToStringSidA(((TOKEN_USER *)user.data())->User.Sid, &user_sid));
    std::vector<std::string> allowed;
    for (int i = 0; i < acl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        char *sid = NULL;
        ASSERT_TRUE(GetAce(acl, i, (void **)&ace));
        ASSERT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        ASSERT_TRUE(ConvertSidToStringSidA((PSID)&ace->SidStart, &sid));
        if (strcmp(sid, "S-1-5-18") != 0)
            allowed.push_back(sid);
        LocalFree(sid);
    }
    EXPECT_EQ(std::vector<std::string>{user_sid}, allowed);
    LocalFree(user_sid);
    LocalFree(descriptor);

    std::string short_path = PathIn(folder, "short.txt");
    ASSERT_EQ(0, WriteFileBytes(short_path, "0123456789abcdef\n", 17));
    EXPECT_EQ(TOKEN_FILE_FAILED, LoadTokenFile(short_path, &token, &problem));
    EXPECT_EQ("the token file " + short_path
                  + " holds a token shorter than 128 bits (at least 32 hex digits or 22 base64url"
                    " characters)",
              problem);
}

}  // namespace

int main(int argc, char **argv)
{
    return RunServeTests(argc, argv, &g_exe);
}
