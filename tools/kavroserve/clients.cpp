// Room for 32 clients and more in one select(): Winsock's fd_set is a list
// whose length is fixed here, before its header.
#define FD_SETSIZE 4096
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "clients.h"

#include <memory>
#include <vector>

#include "frame_clock.h"
#include "report.h"
#include "system_error.h"

namespace {

// Small, so a client that takes nothing is found within the send time-out
// rather than after the system has buffered seconds of stream.
const int SEND_BUFFER_BYTES = 64 * 1024;
// The longest select() waits, so Ctrl+C is seen within a fraction of a
// second whatever else happens.
const int64_t MOST_WAIT_US = 100000;
const int ACCEPTS_A_ROUND = 64;
const size_t RECEIVE_BYTES = 4096;
// Sockets one select() takes beside the clients: the listener, the wake-up.
const size_t OWN_SOCKETS = 2;
const int IN_USE_PAUSE_MS = 200;
// How long an ended connection is read on for its peer's close.
const int64_t LINGER_US = 2000000;

// Ended connections still read, until the peer closes or their deadline.
typedef std::map<SOCKET, int64_t> Lingering;

struct SocketAddress {
    sockaddr_storage storage;
    int length;
};

SocketAddress ToSocketAddress(const ListenAddress &address, uint16_t port)
{
    SocketAddress out = {};
    if (address.ipv6) {
        sockaddr_in6 *in6 = (sockaddr_in6 *)&out.storage;
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        memcpy(&in6->sin6_addr, address.bytes, 16);
        out.length = sizeof *in6;
    } else {
        sockaddr_in *in = (sockaddr_in *)&out.storage;
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        memcpy(&in->sin_addr, address.bytes, 4);
        out.length = sizeof *in;
    }
    return out;
}

// A peer's address: the rate limit's key and the log's text.
void DescribePeer(const sockaddr_storage &peer, ClientKey *key, std::string *text)
{
    ListenAddress address = {};
    uint16_t port = 0;
    if (peer.ss_family == AF_INET6) {
        const sockaddr_in6 *in6 = (const sockaddr_in6 *)&peer;
        address.ipv6 = true;
        memcpy(address.bytes, &in6->sin6_addr, 16);
        port = ntohs(in6->sin6_port);
        *key = KeyOfIpv6(address.bytes);
    } else {
        const sockaddr_in *in = (const sockaddr_in *)&peer;
        memcpy(address.bytes, &in->sin_addr, 4);
        port = ntohs(in->sin_port);
        *key = KeyOfIpv4(address.bytes);
    }
    *text = AddressText(address, port);
}

void SetNonBlocking(SOCKET s)
{
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}

// The bytes to send now, as far as the socket takes them. false when the
// connection failed.
bool SendWhatWaits(SOCKET s, int id, ServerCore *core, int64_t now_us)
{
    // A part's head, picture and tail in one call: each call is a trip
    // through Wine's server, the most of what a part costs there.
    for (;;) {
        OutputPiece pieces[OUTPUT_PIECES];
        int count = ClientOutputs(*core, id, pieces);
        if (count == 0)
            return true;
        WSABUF buffers[OUTPUT_PIECES];
        for (int i = 0; i < count; i++) {
            buffers[i].len = (ULONG)pieces[i].size;  // a raw frame at most
            buffers[i].buf = (CHAR *)pieces[i].data;
        }
        DWORD sent = 0;
        if (WSASend(s, buffers, (DWORD)count, &sent, 0, NULL, NULL) == SOCKET_ERROR)
            return WSAGetLastError() == WSAEWOULDBLOCK;
        ClientSent(core, id, (size_t)sent, now_us);
    }
}

// Reads what the client sent. false when the connection failed.
bool ReceiveWhatCame(SOCKET s, int id, ServerCore *core, int64_t now_us)
{
    char bytes[RECEIVE_BYTES];
    for (int round = 0; round < 16; round++) {
        int got = recv(s, bytes, sizeof bytes, 0);
        if (got > 0) {
            ClientReceived(core, id, bytes, (size_t)got, now_us);
            continue;
        }
        if (got == 0) {
            ClientHungUp(core, id);
            return true;
        }
        return WSAGetLastError() == WSAEWOULDBLOCK;
    }
    return true;
}

// Ends a connection: what was queued still goes out, then the end of it;
// the socket is closed once the peer has closed its side too. Closed at
// once, with bytes of the peer's unread (a body after a refused request),
// it would be reset, and the peer could lose the answer.
void EndConnection(SOCKET s, Lingering *lingering, int64_t now_us)
{
    shutdown(s, SD_SEND);
    (*lingering)[s] = now_us + LINGER_US;
}

// Reads and drops what the ended connections' peers still send; closes
// those whose peer has closed, or whose time is up.
void Linger(Lingering *lingering, const fd_set &readers, int64_t now_us)
{
    for (auto entry = lingering->begin(); entry != lingering->end();) {
        bool done = now_us >= entry->second;
        if (!done && FD_ISSET(entry->first, &readers)) {
            char bytes[RECEIVE_BYTES];
            int got = recv(entry->first, bytes, sizeof bytes, 0);
            done = got == 0 || (got < 0 && WSAGetLastError() != WSAEWOULDBLOCK);
        }
        if (!done) {
            ++entry;
            continue;
        }
        closesocket(entry->first);
        entry = lingering->erase(entry);
    }
}

// Resets a connection at once, whatever its buffers hold: the system must
// not go on trying to send to a client that takes nothing.
void CutConnection(SOCKET s)
{
    linger now = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, (const char *)&now, sizeof now);
    closesocket(s);
}

void AcceptClients(SOCKET listener, std::map<int, SOCKET> *sockets, Lingering *lingering,
                   ServerCore *core, int64_t now_us)
{
    for (int round = 0; round < ACCEPTS_A_ROUND; round++) {
        if (sockets->size() + lingering->size() + OWN_SOCKETS >= FD_SETSIZE)
            return;
        sockaddr_storage peer = {};
        int peer_length = sizeof peer;
        SOCKET s = accept(listener, (sockaddr *)&peer, &peer_length);
        if (s == INVALID_SOCKET)
            return;
        SetNonBlocking(s);
        int buffer = SEND_BUFFER_BYTES;
        setsockopt(s, SOL_SOCKET, SO_SNDBUF, (const char *)&buffer, sizeof buffer);
        // A stream's parts go out as they are written, not held for more.
        BOOL on = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char *)&on, sizeof on);
        ClientKey key;
        std::string address;
        DescribePeer(peer, &key, &address);
        int id = 0;
        std::string refusal;
        if (AdmitClient(core, key, address, now_us, &id, &refusal) != CLIENT_ADMITTED) {
            send(s, refusal.data(), (int)refusal.size(), 0);
            EndConnection(s, lingering, now_us);
            continue;
        }
        (*sockets)[id] = s;
    }
}

}  // namespace

struct WakeUp {
    SOCKET receiver;
    SOCKET sender;
};

ListenOutcome OpenListener(const ListenAddress &address, int retry_ms, FILE *err, StopSignal *stop,
                           Listener *listener, std::string *problem)
{
    listener->socket = INVALID_SOCKET;
    listener->port = 0;
    std::string name = AddressText(address, address.port);
    SocketAddress where = ToSocketAddress(address, address.port);
    DWORD start = GetTickCount();
    bool told = false;
    for (;;) {
        SOCKET s = socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) {
            *problem = "cannot make a socket: " + SystemErrorText(WSAGetLastError());
            return LISTEN_FAILED;
        }
        // No other socket may take this port beside ours, nor ours beside
        // one that holds it.
        BOOL on = TRUE;
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, (const char *)&on, sizeof on);
        if (address.ipv6)
            setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, (const char *)&on, sizeof on);
        if (bind(s, (const sockaddr *)&where.storage, where.length) == 0) {
            if (listen(s, SOMAXCONN) != 0) {
                *problem = "cannot listen on " + name + ": " + SystemErrorText(WSAGetLastError());
                closesocket(s);
                return LISTEN_FAILED;
            }
            sockaddr_storage bound = {};
            int bound_length = sizeof bound;
            getsockname(s, (sockaddr *)&bound, &bound_length);
            listener->port = ntohs(bound.ss_family == AF_INET6 ? ((sockaddr_in6 *)&bound)->sin6_port
                                                               : ((sockaddr_in *)&bound)->sin_port);
            SetNonBlocking(s);
            listener->socket = s;
            return LISTENING;
        }
        int error = WSAGetLastError();
        closesocket(s);
        bool in_use = error == WSAEADDRINUSE || error == WSAEACCES;
        if (!in_use || GetTickCount() - start >= (DWORD)retry_ms || StopRaised(stop)) {
            *problem = in_use ? name + " is in use by another program"
                              : "cannot listen on " + name + ": " + SystemErrorText(error);
            return LISTEN_FAILED;
        }
        if (!told) {
            Report(err, KAVROSERVE_NAME,
                   name + " is still in use; trying again for " + std::to_string(retry_ms / 1000)
                       + " s");
            told = true;
        }
        WaitForStop(stop, IN_USE_PAUSE_MS * 1000);
    }
}

void CloseListener(Listener *listener)
{
    if (listener->socket != INVALID_SOCKET)
        closesocket((SOCKET)listener->socket);
    listener->socket = INVALID_SOCKET;
}

WakeUp *OpenWakeUp()
{
    WakeUp *wake = new WakeUp{INVALID_SOCKET, INVALID_SOCKET};
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof where;
    wake->receiver = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    wake->sender = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (wake->receiver == INVALID_SOCKET || wake->sender == INVALID_SOCKET
        || bind(wake->receiver, (sockaddr *)&where, sizeof where) != 0
        || getsockname(wake->receiver, (sockaddr *)&where, &length) != 0
        || connect(wake->sender, (sockaddr *)&where, sizeof where) != 0) {
        CloseWakeUp(wake);
        return NULL;
    }
    SetNonBlocking(wake->receiver);
    SetNonBlocking(wake->sender);
    return wake;
}

void PokeWakeUp(void *context)
{
    WakeUp *wake = (WakeUp *)context;
    char byte = 1;
    // A full queue already wakes the loop: a failed send loses nothing.
    send(wake->sender, &byte, 1, 0);
}

void CloseWakeUp(WakeUp *wake)
{
    if (wake == NULL)
        return;
    if (wake->receiver != INVALID_SOCKET)
        closesocket(wake->receiver);
    if (wake->sender != INVALID_SOCKET)
        closesocket(wake->sender);
    delete wake;
}

void ServeConnections(const Listener &listener, WakeUp *wake, ServerCore *core, StopSignal *stop)
{
    SOCKET listening = (SOCKET)listener.socket;
    std::map<int, SOCKET> sockets;
    Lingering lingering;
    // Too large for the stack at this FD_SETSIZE.
    std::unique_ptr<fd_set> readers(new fd_set), writers(new fd_set);
    while (!StopRaised(stop)) {
        FD_ZERO(readers.get());
        FD_ZERO(writers.get());
        FD_SET(listening, readers.get());
        FD_SET(wake->receiver, readers.get());
        for (const auto &entry : lingering)
            FD_SET(entry.first, readers.get());
        for (const auto &entry : sockets) {
            // Read on after the request too, to see a reader that went.
            FD_SET(entry.second, readers.get());
            const uint8_t *data;
            size_t size;
            ClientOutput(*core, entry.first, &data, &size);
            if (size > 0)
                FD_SET(entry.second, writers.get());
        }
        int64_t now_us = MonotonicUs();
        // A lingering connection's deadline needs no exact wake-up: the
        // longest wait comes round soon enough.
        int64_t wait_us = NextCoreEvent(*core, now_us, MOST_WAIT_US) - now_us;
        wait_us = wait_us < 0 ? 0 : wait_us;
        timeval timeout = {(long)(wait_us / 1000000), (long)(wait_us % 1000000)};
        int ready = select(0, readers.get(), writers.get(), NULL, &timeout);
        now_us = MonotonicUs();
        if (ready == SOCKET_ERROR) {
            // Nothing the loop does should bring this; pause rather than spin.
            Sleep(10);
            continue;
        }
        if (FD_ISSET(wake->receiver, readers.get())) {
            char drained[64];
            while (recv(wake->receiver, drained, sizeof drained, 0) > 0) {
            }
        }
        std::vector<int> failed;
        for (const auto &entry : sockets)
            if (FD_ISSET(entry.second, readers.get())
                && !ReceiveWhatCame(entry.second, entry.first, core, now_us))
                failed.push_back(entry.first);
        Linger(&lingering, *readers, now_us);
        if (FD_ISSET(listening, readers.get()))
            AcceptClients(listening, &sockets, &lingering, core, now_us);
        ServeClients(core, now_us);
        for (const auto &entry : sockets)
            if (!SendWhatWaits(entry.second, entry.first, core, now_us))
                failed.push_back(entry.first);
        for (int id : failed) {
            auto found = sockets.find(id);
            if (found == sockets.end())
                continue;
            // Broken: nothing more can go out, so no orderly end.
            CutConnection(found->second);
            sockets.erase(found);
            ForgetClient(core, id);
        }
        for (auto entry = sockets.begin(); entry != sockets.end();) {
            if (!ClientFinished(*core, entry->first)) {
                ++entry;
                continue;
            }
            if (ClientCut(*core, entry->first))
                CutConnection(entry->second);
            else
                EndConnection(entry->second, &lingering, now_us);
            ForgetClient(core, entry->first);
            entry = sockets.erase(entry);
        }
    }
    // Stopped: every connection ends now, what was queued still sent.
    for (const auto &entry : sockets) {
        shutdown(entry.second, SD_SEND);
        closesocket(entry.second);
        ForgetClient(core, entry.first);
    }
    for (const auto &entry : lingering)
        closesocket(entry.first);
}
