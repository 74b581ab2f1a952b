// Every connection's state and every limit on them, apart from sockets:
// the socket loop hands in what arrived, what went out and the time, and
// takes the bytes to send and the connections to close. So admission, the
// deadlines, the answers and the stream's pacing are tested natively on a
// clock of the test's own. Platform-free.
#ifndef PUKAVRO_KAVROSERVE_CLIENT_CORE_H
#define PUKAVRO_KAVROSERVE_CLIENT_CORE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <map>
#include <string>

#include "access.h"
#include "frame_feed.h"
#include "request_reader.h"
#include "routes.h"

// The feed as the clients use it, so tests can hand in frames of their own.
struct FeedSeam {
    void *feed;
    void (*watch)(void *feed, int watchers);
    uint64_t (*ask_fresh)(void *feed);
    FeedState (*read)(void *feed);
    FramePtr (*no_camera)(void *feed);
};
FeedSeam RealFeedSeam(FrameFeed *feed);

struct CoreSettings {
    int max_clients = 16;  // being answered at once; beyond, 503
    int max_pending = 64;  // still sending their request; beyond, 503
    int64_t request_timeout_us = 10000000;
    int64_t send_timeout_us = 10000000;
    // A fresh frame the feed has not answered within this is 503.
    int64_t fresh_timeout_us = 15000000;
    RequestLimits request;
    AccessPolicy access;
    std::string camera;  // the device, for /status
    const char *version = "";
};

enum ClientPhase {
    PHASE_READING,   // its request is not whole yet
    PHASE_FRESH,     // waits for the feed's fresh frame
    PHASE_ANSWER,    // sends one answer, then is closed
    PHASE_STREAM,    // sends parts until it goes
    PHASE_FINISHED,  // to be closed
};

struct Client {
    ClientKey key;
    std::string address;  // as logged: "127.0.0.1", "::1"
    ClientPhase phase = PHASE_READING;
    int64_t connected_us = 0;
    std::string received;  // the request so far
    bool counted = false;  // holds one of max_clients
    Endpoint endpoint = ENDPOINT_NONE;
    bool head = false;
    uint64_t ticket = 0;  // PHASE_FRESH: what it waits for
    int64_t fresh_since_us = 0;
    // What is being sent: text, then the body of a frame, then more text.
    std::string out_head;
    FramePtr out_frame;
    bool out_raw = false;  // the frame's raw bytes, not its JPEG
    std::string out_tail;
    size_t out_done = 0;         // bytes of the three already sent
    int64_t progress_us = 0;     // when the last byte went out (or the send began)
    uint64_t sent_sequence = 0;  // PHASE_STREAM: the newest frame it was sent
    int64_t last_part_us = 0;
    std::string method = "-", path = "-";  // as logged once answered
    bool cut = false;                      // ended by a deadline: no orderly close
};

struct ServerCore {
    CoreSettings settings;
    FeedSeam feed;
    FILE *log;  // one line per answered request; NULL: none
    int64_t start_us;
    int64_t wall_minus_monotonic_us;  // for the "no camera" picture's time
    WrongTokenTable wrong;
    std::map<int, Client> clients;
    int next_id = 1;
    int watchers = 0;  // as last told to the feed
};

// now_us is the frames' monotonic clock (FrameStamp's), wall_us the same
// moment since 1970.
void StartCore(ServerCore *core, const CoreSettings &settings, const FeedSeam &feed, FILE *log,
               int64_t now_us, int64_t wall_us);

enum Admission { CLIENT_ADMITTED, CLIENT_REFUSED };

// A new connection. CLIENT_ADMITTED gives its *id; CLIENT_REFUSED gives the
// bytes to send once before closing it at once (too many still pending).
Admission AdmitClient(ServerCore *core, const ClientKey &key, const std::string &address,
                      int64_t now_us, int *id, std::string *refusal);
// What arrived from a client; after its request, whatever else comes is
// ignored.
void ClientReceived(ServerCore *core, int id, const char *bytes, size_t size, int64_t now_us);
// The client closed its side: before its request is whole, it is finished.
void ClientHungUp(ServerCore *core, int id);
// Deadlines, fresh frames and the stream's next parts: after a wake-up from
// the feed, or whenever the loop comes round.
void ServeClients(ServerCore *core, int64_t now_us);

// The next bytes to send to a client (size 0: nothing now).
void ClientOutput(const ServerCore &core, int id, const uint8_t **data, size_t *size);

// All a client's bytes waiting, in order: at most a head, a body and a
// tail, so that a part goes out in one send. Returns how many pieces.
enum { OUTPUT_PIECES = 3 };
struct OutputPiece {
    const uint8_t *data;
    size_t size;
};
int ClientOutputs(const ServerCore &core, int id, OutputPiece pieces[OUTPUT_PIECES]);
// size bytes of that went out.
void ClientSent(ServerCore *core, int id, size_t size, int64_t now_us);
// Whether the client wants reading (its request is not whole yet).
bool ClientReading(const ServerCore &core, int id);
// Whether it is finished: the loop closes its socket and forgets it.
bool ClientFinished(const ServerCore &core, int id);
// Whether it was finished by a deadline (the request's, a stalled send's):
// its connection is reset rather than closed in order.
bool ClientCut(const ServerCore &core, int id);
void ForgetClient(ServerCore *core, int id);

// The earliest moment ServeClients has something to do (a deadline, a
// stream's repeat), or now_us + limit_us.
int64_t NextCoreEvent(const ServerCore &core, int64_t now_us, int64_t limit_us);

// The clients that watch the stream now.
int StreamClients(const ServerCore &core);

#endif
