#include <winsock2.h>

#include "serve_support.h"

#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "hang_limit.h"
#include "unix_command.h"
#include "wait.h"

namespace {

std::string Quoted(const std::string &argument)
{
    return argument.find_first_of(" \t\"") == std::string::npos ? argument : "\"" + argument + "\"";
}

// A line up to CRLF from at; npos when it has not all come yet.
size_t LineEnd(const std::string &bytes, size_t at)
{
    size_t end = bytes.find("\r\n", at);
    return end == std::string::npos ? end : end + 2;
}

bool StrictHeader(const std::string &line)
{
    size_t colon = line.find(": ");
    if (colon == std::string::npos || colon == 0 || colon + 2 >= line.size())
        return false;
    for (size_t i = 0; i < colon; ++i)
        if (!isalnum((unsigned char)line[i]) && line[i] != '-')
            return false;
    return line[colon + 2] != ' ';
}

}  // namespace

int StartServer(Server *server, const std::string &exe, const std::vector<std::string> &arguments,
                std::string *why)
{
    memset(&server->info, 0, sizeof server->info);
    server->port = 0;
    server->text.clear();
    std::string line = Quoted(exe);
    for (const std::string &argument : arguments)
        line += " " + Quoted(argument);
    line += " --listen 127.0.0.1:0";
    HANDLE child;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    if (!CreatePipe(&server->output, &child, &inherit, 0))
        return -1;
    SetHandleInformation(server->output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = child;
    startup.hStdError = child;
    std::wstring wide = ToUtf16(line);
    BOOL started =
        CreateProcessW(NULL, &wide[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &server->info);
    CloseHandle(child);
    if (!started) {
        CloseHandle(server->output);
        server->output = NULL;
        *why = "cannot start " + line;
        return -1;
    }
    server->reader = std::thread([server] {
        char block[4096];
        DWORD got;
        while (ReadFile(server->output, block, sizeof block, &got, NULL) && got > 0) {
            std::lock_guard<std::mutex> hold(server->lock);
            server->text.append(block, got);
        }
    });
    const char *serving = "serving camera 0 on http://127.0.0.1:";
    WaitUntil([&] {
        std::string text = ServerText(server);
        size_t at = text.find(serving);
        if (at != std::string::npos && text.find('\n', at) != std::string::npos)
            server->port = (uint16_t)atoi(text.c_str() + at + strlen(serving));
        return server->port != 0 || WaitForSingleObject(server->info.hProcess, 0) == 0;
    });
    *why = ServerText(server);
    return server->port != 0 ? 0 : -1;
}

std::string ServerText(Server *server)
{
    std::lock_guard<std::mutex> hold(server->lock);
    return server->text;
}

void StopServer(Server *server)
{
    if (server->info.hProcess != NULL) {
        TerminateProcess(server->info.hProcess, 1);
        WaitForSingleObject(server->info.hProcess, HANG_MS);
        CloseHandle(server->info.hProcess);
        CloseHandle(server->info.hThread);
    }
    if (server->reader.joinable())
        server->reader.join();
    if (server->output != NULL)
        CloseHandle(server->output);
    server->output = NULL;
    memset(&server->info, 0, sizeof server->info);
}

void StartSockets()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

SOCKET ConnectTo(uint16_t port, int rcvbuf)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    DWORD bound = HANG_MS;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char *)&bound, sizeof bound);
    if (rcvbuf > 0)
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, (const char *)&rcvbuf, sizeof rcvbuf);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, (const sockaddr *)&to, sizeof to) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool SendText(SOCKET s, const std::string &text)
{
    for (size_t done = 0; done < text.size();) {
        int put = send(s, text.data() + done, (int)(text.size() - done), 0);
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

bool ReadToClose(SOCKET s, std::string *bytes)
{
    // Bounded in all, not only between receives: a stream never left open
    // must fail the test, not hang it.
    const DWORD start = GetTickCount();
    char block[8192];
    int got;
    while ((got = recv(s, block, sizeof block, 0)) > 0) {
        bytes->append(block, got);
        if (GetTickCount() - start > HANG_MS)
            return false;
    }
    return got == 0 || WSAGetLastError() != WSAETIMEDOUT;
}

std::string Exchange(uint16_t port, const std::string &request)
{
    SOCKET s = ConnectTo(port);
    if (s == INVALID_SOCKET)
        return "";
    std::string answer;
    if (SendText(s, request))
        ReadToClose(s, &answer);
    closesocket(s);
    return answer;
}

std::string Request(const char *method, const std::string &target, uint16_t port)
{
    return std::string(method) + " " + target
           + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
}

Answer SplitAnswer(const std::string &bytes)
{
    Answer answer = {0, {}, ""};
    size_t at = 0, end;
    while ((end = LineEnd(bytes, at)) != std::string::npos && end - at > 2) {
        answer.lines.push_back(bytes.substr(at, end - 2 - at));
        at = end;
    }
    if (end == std::string::npos)
        return answer;
    answer.body = bytes.substr(end);
    if (!answer.lines.empty() && answer.lines[0].compare(0, 9, "HTTP/1.1 ") == 0)
        answer.status = atoi(answer.lines[0].c_str() + 9);
    return answer;
}

std::string HeaderOf(const std::vector<std::string> &lines, const char *name)
{
    const std::string prefix = std::string(name) + ": ";
    for (size_t i = 1; i < lines.size(); ++i)
        if (lines[i].compare(0, prefix.size(), prefix) == 0)
            return lines[i].substr(prefix.size());
    return "";
}

size_t ReadPictures(const std::string &body, std::vector<Picture> *parts, std::string *fault)
{
    size_t done = 0;
    for (;;) {
        size_t at = done, end = LineEnd(body, at);
        if (end == std::string::npos)
            return done;
        if (body.compare(at, end - at, BOUNDARY_LINE) != 0) {
            *fault = "not a boundary line at " + std::to_string(at);
            return done;
        }
        Picture part = {{}, "", "", 0};
        long long length = -1;
        for (at = end; (end = LineEnd(body, at)) != std::string::npos && end - at > 2; at = end) {
            std::string line = body.substr(at, end - 2 - at);
            if (!StrictHeader(line) || end - at >= 128) {
                *fault = "not a header line: " + line;
                return done;
            }
            part.lines.push_back(line);
            if (line.compare(0, 16, "Content-Length: ") == 0)
                length = line.find_first_not_of("0123456789", 16) == std::string::npos
                             ? atoll(line.c_str() + 16)
                             : -2;
            if (line.compare(0, 13, "X-Timestamp: ") == 0)
                part.timestamp = line.substr(13);
        }
        if (end == std::string::npos)
            return done;
        if (length < 0) {
            *fault = length == -1 ? "a part without Content-Length" : "a bad Content-Length";
            return done;
        }
        // The picture, its CRLF, and the next boundary line whole.
        size_t after = end + (size_t)length;
        if (body.size() < after + 2 || LineEnd(body, after + 2) == std::string::npos)
            return done;
        if (body.compare(after, 2, "\r\n") != 0) {
            *fault = "no CRLF after the part's Content-Length bytes";
            return done;
        }
        part.jpeg = body.substr(end, (size_t)length);
        parts->push_back(part);
        done = after + 2;
    }
}

std::string JpegFault(const std::string &jpeg)
{
    const unsigned char *b = (const unsigned char *)jpeg.data();
    if (jpeg.size() < 24 || b[0] != 0xFF || b[1] != 0xD8)
        return "no SOI";
    if (b[jpeg.size() - 2] != 0xFF || b[jpeg.size() - 1] != 0xD9)
        return "no EOI at the end";
    if (b[2] != 0xFF || b[3] != 0xE0 || memcmp(b + 6, "JFIF\0", 5) != 0)
        return "no JFIF APP0 first";
    if (b[18] != 0 || b[19] != 0)
        return "a JFIF thumbnail";
    // The markers before the first scan: none is APP1 (EXIF).
    for (size_t at = 2; at + 4 <= jpeg.size() && b[at] == 0xFF && b[at + 1] != 0xDA;
         at += 2 + (b[at + 2] << 8 | b[at + 3]))
        if (b[at + 1] == 0xE1)
            return "an APP1 (EXIF) segment";
    return "";
}

int64_t WallUs()
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    int64_t ticks = (int64_t)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return ticks / 10 - 11644473600000000LL;
}

int64_t TimestampUs(const std::string &timestamp)
{
    size_t dot = timestamp.find('.');
    if (dot == std::string::npos || timestamp.size() != dot + 7)
        return -1;
    return atoll(timestamp.c_str()) * 1000000 + atoll(timestamp.c_str() + dot + 1);
}

bool StartReader(StreamReader *reader, uint16_t port, const std::string &target)
{
    reader->socket = ConnectTo(port);
    if (reader->socket == INVALID_SOCKET || !SendText(reader->socket, Request("GET", target, port)))
        return false;
    reader->thread = std::thread([reader] {
        std::string bytes;
        char block[8192];
        size_t body = std::string::npos;
        int got;
        while (!reader->stop && (got = recv(reader->socket, block, sizeof block, 0)) > 0) {
            bytes.append(block, got);
            std::lock_guard<std::mutex> hold(reader->lock);
            if (body == std::string::npos && (body = bytes.find("\r\n\r\n")) != std::string::npos) {
                reader->head = bytes.substr(0, body + 4);
                bytes.erase(0, body + 4);
            }
            if (body == std::string::npos || !reader->fault.empty())
                continue;
            size_t before = reader->parts.size();
            bytes.erase(0, ReadPictures(bytes, &reader->parts, &reader->fault));
            for (size_t i = before; i < reader->parts.size(); ++i)
                reader->parts[i].arrived_us = WallUs();
        }
        reader->closed = !reader->stop;
    });
    return true;
}

std::vector<Picture> PicturesOf(StreamReader *reader)
{
    std::lock_guard<std::mutex> hold(reader->lock);
    return reader->parts;
}

void StopReader(StreamReader *reader)
{
    // Closed before the join: that ends a receive that waits for a server
    // which sends nothing more.
    reader->stop = true;
    if (reader->socket != INVALID_SOCKET)
        closesocket(reader->socket);
    if (reader->thread.joinable())
        reader->thread.join();
    reader->socket = INVALID_SOCKET;
}

StreamReader::~StreamReader()
{
    StopReader(this);
}

int Curl(const std::string &arguments, const std::string &scratch, std::string *out)
{
    return RunUnixCommand("timeout 60 curl -s " + arguments, scratch, HANG_MS + 5000, out);
}

std::string FileText(const std::string &path)
{
    std::vector<uint8_t> bytes;
    ReadWholeFile(path, &bytes);
    return std::string(bytes.begin(), bytes.end());
}
