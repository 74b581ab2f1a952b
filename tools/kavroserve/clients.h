// The sockets: one thread runs select() over the listening socket, every
// client and a wake-up the feed pokes for each new frame, and moves bytes
// between them and the client core. Winsock 2, non-blocking throughout, so
// nothing waits on a client or the camera. Windows only.
#ifndef PUKAVRO_KAVROSERVE_CLIENTS_H
#define PUKAVRO_KAVROSERVE_CLIENTS_H

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "client_core.h"
#include "server_options.h"
#include "stop_signal.h"

// A bound port still held by another socket is tried again for this long.
enum { LISTEN_RETRY_MS = 10000 };

struct Listener {
    uintptr_t socket;  // a SOCKET; INVALID_SOCKET when closed
    uint16_t port;     // the port bound (the system's pick for port 0)
};

enum ListenOutcome { LISTENING, LISTEN_FAILED };

// Binds address with SO_EXCLUSIVEADDRUSE and listens. A port in use is
// tried again for retry_ms, said once on err; stop ends the wait.
// WSAStartup must have been called.
ListenOutcome OpenListener(const ListenAddress &address, int retry_ms, FILE *err, StopSignal *stop,
                           Listener *listener, std::string *problem);
void CloseListener(Listener *listener);

// A loopback UDP pair: any thread sends a byte, the loop wakes.
struct WakeUp;
WakeUp *OpenWakeUp();
// The feed's wake callback; context is the WakeUp.
void PokeWakeUp(void *context);
void CloseWakeUp(WakeUp *wake);

// Serves the listener's clients through core until stop is raised, then
// closes every connection.
void ServeConnections(const Listener &listener, WakeUp *wake, ServerCore *core, StopSignal *stop);

#endif
