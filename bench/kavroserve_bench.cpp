// kavroserve.exe on the simulated camera, measured from outside over
// loopback: for each camera pace, SECONDS with 0, 1, 8 and 32 stream
// clients, each part's delay from the frame's arrival at the server
// (X-Timestamp) to its arrival here (both the machine's wall clock), each
// client's new frames a second against the camera's, the server's
// processor time a second and the bytes of a JPEG; then SOAK seconds of
// 32 clients, the server's memory read every minute.
//
// usage: kavroserve_bench.exe KAVROSERVE.EXE [SECONDS [SOAK [DELAY_MS]]]
//        (defaults 10, 600 and 5; the paces are DELAY_MS and 0, the
//        camera's fastest)
#include <winsock2.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>

#include "process_figures.h"
#include "serve_support.h"
#include "sim_controls.h"
#include "summary.h"
#include "wait.h"

namespace {

struct Sample {
    int64_t stamp_us, arrived_us;
    size_t bytes;
};

// A stream client keeping only what is measured: each new frame's stamp,
// its arrival and its size while recording.
struct Client {
    SOCKET socket = INVALID_SOCKET;
    std::thread thread;
    std::mutex lock;
    std::vector<Sample> samples;
    std::atomic<bool> recording{false}, stop{false};
    std::atomic<uint64_t> frames{0};
    std::string fault;
};

void Read(Client *client)
{
    std::string bytes, fault;
    char block[16384];
    bool body = false;
    int64_t last = -1;
    int got;
    while (!client->stop && (got = recv(client->socket, block, sizeof block, 0)) > 0) {
        bytes.append(block, got);
        if (!body) {
            size_t end = bytes.find("\r\n\r\n");
            if (end == std::string::npos)
                continue;
            bytes.erase(0, end + 4);
            body = true;
        }
        std::vector<Picture> parts;
        bytes.erase(0, ReadPictures(bytes, &parts, &fault));
        const int64_t now = WallUs();
        for (const Picture &part : parts) {
            int64_t stamp = TimestampUs(part.timestamp);
            if (stamp == last)
                continue;  // the last frame again: nothing new came
            last = stamp;
            ++client->frames;
            if (client->recording) {
                std::lock_guard<std::mutex> hold(client->lock);
                client->samples.push_back({stamp, now, part.jpeg.size()});
            }
        }
        if (!fault.empty())
            break;
    }
    std::lock_guard<std::mutex> hold(client->lock);
    client->fault = fault;
}

typedef std::vector<std::unique_ptr<Client>> Clients;

void Connect(Clients *clients, size_t count, uint16_t port)
{
    while (clients->size() < count) {
        std::unique_ptr<Client> client(new Client);
        client->socket = ConnectTo(port);
        SendText(client->socket, Request("GET", "/stream", port));
        Client *c = client.get();
        client->thread = std::thread([c] { Read(c); });
        clients->push_back(std::move(client));
    }
    WaitUntil([&] {
        for (auto &client : *clients)
            if (client->frames == 0)
                return false;
        return true;
    });
}

void Disconnect(Clients *clients)
{
    for (auto &client : *clients) {
        client->stop = true;
        shutdown(client->socket, SD_BOTH);
        client->thread.join();
        closesocket(client->socket);
    }
    clients->clear();
}

double ProcessSeconds(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(process, &created, &ended, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

uint32_t FramesSent()
{
    EzusbsimCounters counters = {};
    ReadCounters(&counters);
    return counters.frames_sent;
}

// One phase: count clients receiving for seconds.
void Phase(Server *server, Clients *clients, size_t count, int seconds, const char *pace)
{
    Connect(clients, count, server->port);
    Sleep(1000);  // past the first frames' start
    for (auto &client : *clients)
        client->recording = true;
    const double cpu = ProcessSeconds(server->info.hProcess);
    const uint32_t sent = FramesSent();
    Sleep(seconds * 1000);
    const double used = ProcessSeconds(server->info.hProcess) - cpu;
    const double camera = (FramesSent() - sent) / (double)seconds;
    std::vector<double> delays, rates, sizes;
    std::string faults;
    for (auto &client : *clients) {
        client->recording = false;
        std::lock_guard<std::mutex> hold(client->lock);
        rates.push_back(client->samples.size() / (double)seconds);
        for (const Sample &s : client->samples) {
            delays.push_back((s.arrived_us - s.stamp_us) / 1000.0);
            sizes.push_back((double)s.bytes);
        }
        client->samples.clear();
        faults += client->fault;
    }
    printf("%s, %2zu clients: processor %.1f ms/s, camera %.1f frames/s", pace, count,
           used * 1000 / seconds, camera);
    if (count > 0) {
        Summary d = Summarize(delays), r = Summarize(rates), b = Summarize(sizes);
        printf(", per client %.1f frames/s (lowest %.1f, %.3f of the camera's), delay ms "
               "p50 %.2f p99 %.2f max %.2f (%d), JPEG bytes median %.0f (%.0f-%.0f)",
               r.median, r.min, camera > 0 ? r.min / camera : 0.0, d.median, d.p99, d.max, d.count,
               b.median, b.min, b.max);
    }
    printf("%s%s\n", faults.empty() ? "" : ", faults: ", faults.c_str());
    fflush(stdout);
}

void Figures(const Server *server, int elapsed)
{
    ProcessFigures f = {};
    ReadProcessFigures(server->info.hProcess, server->info.dwProcessId, &f);
    printf("32 clients, %4d s: working set %.2f MiB, committed %.2f MiB, threads %d, "
           "handles %d\n",
           elapsed, f.working_set / 1048576.0, f.pagefile_usage / 1048576.0, f.threads, f.handles);
    fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: kavroserve_bench.exe KAVROSERVE.EXE [SECONDS [SOAK [DELAY_MS]]]\n");
        return 2;
    }
    const int seconds = argc > 2 ? atoi(argv[2]) : 10;
    const int soak = argc > 3 ? atoi(argv[3]) : 600;
    const int delay_ms = argc > 4 ? atoi(argv[4]) : 5;
    StartSockets();
    Server server;
    std::string why;
    // Room for the 32 clients beyond the default 16.
    if (StartServer(&server, argv[1], {"--max-clients", "40"}, &why) != 0) {
        fprintf(stderr, "kavroserve_bench: the server did not start: %s\n", why.c_str());
        return 1;
    }
    Clients clients;
    char pace[64];
    for (int delay : {delay_ms, 0}) {
        SetKnob(EZUSBSIM_VALUE_DELAY_MS, delay);
        snprintf(pace, sizeof pace, "DelayMs %d", delay);
        for (size_t count : {0, 1, 8, 32})
            Phase(&server, &clients, count, seconds, pace);
        Disconnect(&clients);
    }
    SetKnob(EZUSBSIM_VALUE_DELAY_MS, delay_ms);
    Connect(&clients, 32, server.port);
    for (int elapsed = 0; elapsed < soak; elapsed += 60) {
        Figures(&server, elapsed);
        Sleep((DWORD)std::min(60, soak - elapsed) * 1000);
    }
    Figures(&server, soak);
    uint64_t least = UINT64_MAX;
    for (auto &client : clients)
        least = std::min<uint64_t>(least, client->frames);
    printf("32 clients for %d s: every client received at least %llu frames\n", soak,
           (unsigned long long)least);
    Disconnect(&clients);
    ClearKnobs();
    StopServer(&server);
    return 0;
}
