#include "client_core.h"

#include <string.h>

#include <algorithm>

#include "answers.h"
#include "frame.h"
#include "mjpeg_stream.h"
#include "status_page.h"

namespace {

// A stream client with nothing to send is looked at again no sooner than
// this, whatever NextPart says.
const int64_t STREAM_POLL_US = 20000;

const char NO_LENGTH[] = "Content-Length: 0\r\n";

void WatchFeedThrough(const FeedSeam &feed, int watchers)
{
    if (feed.watch != NULL)
        feed.watch(feed.feed, watchers);
}

void UpdateWatchers(ServerCore *core)
{
    int watchers = StreamClients(*core);
    if (watchers != core->watchers) {
        core->watchers = watchers;
        WatchFeedThrough(core->feed, watchers);
    }
}

// Bytes from a client as a log may show them: no control characters, so a
// decoded "%0A" cannot forge a line.
std::string Printable(const std::string &text, size_t limit)
{
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; i++) {
        unsigned char c = (unsigned char)text[i];
        out += c < 0x20 || c == 0x7f ? '?' : (char)c;
    }
    return out.empty() ? "-" : out;
}

void LogAnswer(const ServerCore &core, const Client &client, int status)
{
    if (core.log == NULL)
        return;
    fprintf(core.log, "%s %s %s %d\n", client.address.c_str(), client.method.c_str(),
            client.path.c_str(), status);
    fflush(core.log);
}

size_t FrameBytes(const Client &client)
{
    if (client.out_frame == NULL)
        return 0;
    return client.out_raw ? client.out_frame->raw.size() : client.out_frame->jpeg.size();
}

size_t OutputTotal(const Client &client)
{
    return client.out_head.size() + FrameBytes(client) + client.out_tail.size();
}

bool Sending(const Client &client)
{
    return client.out_done < OutputTotal(client);
}

void Queue(Client *client, const std::string &head, const FramePtr &frame, bool raw,
           const std::string &tail, int64_t now_us)
{
    client->out_head = head;
    client->out_frame = frame;
    client->out_raw = raw;
    client->out_tail = tail;
    client->out_done = 0;
    client->progress_us = now_us;
}

void Answer(const ServerCore &core, Client *client, int status, const std::string &bytes,
            int64_t now_us)
{
    LogAnswer(core, *client, status);
    Queue(client, bytes, NULL, false, "", now_us);
    client->phase = PHASE_ANSWER;
}

void Refuse(const ServerCore &core, Client *client, int status, int64_t now_us)
{
    Answer(core, client, status, RefusalAnswer(status, client->head), now_us);
}

int CountedClients(const ServerCore &core)
{
    int count = 0;
    for (const auto &entry : core.clients)
        count += entry.second.counted ? 1 : 0;
    return count;
}

std::string FrameHeaders(const ServedFrame &frame, bool raw)
{
    std::string extra;
    if (raw)
        extra = "X-Width: " + std::to_string(FRAME_WIDTH)
                + "\r\nX-Height: " + std::to_string(FRAME_HEIGHT) + "\r\nX-Pixel-Format: UYVY\r\n";
    return extra + "X-Sequence: " + std::to_string(frame.sequence)
           + "\r\nX-Timestamp: " + TimestampText(frame.wall_us) + "\r\n";
}

// A fresh frame came for a snapshot or raw client (or NULL: none came).
void AnswerFrame(const ServerCore &core, Client *client, const FramePtr &frame, int64_t now_us)
{
    bool raw = client->endpoint == ENDPOINT_RAW;
    if (frame == NULL || (raw && frame->raw.size() != RAW_FRAME_BYTES)) {
        Refuse(core, client, 503, now_us);
        return;
    }
    size_t length = raw ? frame->raw.size() : frame->jpeg.size();
    LogAnswer(core, *client, 200);
    Queue(
        client,
        OkHead(raw ? "application/octet-stream" : "image/jpeg", length, FrameHeaders(*frame, raw)),
        frame, raw, "", now_us);
    client->phase = PHASE_ANSWER;
}

void AnswerText(const ServerCore &core, Client *client, const char *type, const std::string &body,
                int64_t now_us)
{
    Answer(core, client, 200, OkHead(type, body.size(), "") + (client->head ? "" : body), now_us);
}

std::string StatusBody(const ServerCore &core, int64_t now_us)
{
    FeedState state = core.feed.read(core.feed.feed);
    StatusFacts facts;
    facts.camera = core.settings.camera;
    facts.present = state.camera_present;
    facts.frames_taken = state.frames_taken;
    facts.clients = StreamClients(core);
    facts.fps = state.fps;
    facts.uptime_us = now_us - core.start_us;
    facts.version = core.settings.version;
    return StatusJson(facts);
}

// A request allowed: its endpoint's answer, or the start of waiting for it.
void Begin(ServerCore *core, Client *client, int64_t now_us)
{
    if (CountedClients(*core) >= core->settings.max_clients) {
        Refuse(*core, client, 503, now_us);
        return;
    }
    client->counted = true;
    switch (client->endpoint) {
    case ENDPOINT_STREAM:
        LogAnswer(*core, *client, 200);
        Queue(client, StreamHead(client->head), NULL, false, "", now_us);
        client->phase = client->head ? PHASE_ANSWER : PHASE_STREAM;
        client->last_part_us = now_us;
        return;
    case ENDPOINT_SNAPSHOT:
    case ENDPOINT_RAW:
        if (client->head) {
            // The headers a GET would get, without taking a frame: a raw
            // frame's length is known, a JPEG's is not, so it is left out.
            if (client->endpoint == ENDPOINT_RAW) {
                Answer(*core, client, 200, OkHead("application/octet-stream", RAW_FRAME_BYTES, ""),
                       now_us);
                return;
            }
            std::string head = OkHead("image/jpeg", 0, "");
            size_t length = head.find(NO_LENGTH);
            if (length != std::string::npos)
                head.erase(length, strlen(NO_LENGTH));
            Answer(*core, client, 200, head, now_us);
            return;
        }
        client->ticket = core->feed.ask_fresh(core->feed.feed);
        client->fresh_since_us = now_us;
        client->phase = PHASE_FRESH;
        return;
    case ENDPOINT_STATUS:
        AnswerText(*core, client, "application/json", StatusBody(*core, now_us), now_us);
        return;
    default:
        AnswerText(*core, client, "text/html; charset=utf-8", PageHtml(), now_us);
        return;
    }
}

void ReadHead(ServerCore *core, Client *client, int64_t now_us)
{
    HttpRequest request;
    RequestRead read = ReadRequest(client->received.data(), client->received.size(),
                                   core->settings.request, &request);
    if (read == REQUEST_INCOMPLETE)
        return;
    size_t space = client->received.find(' ');
    client->method = Printable(client->received.substr(0, space), 16);
    client->head = read == REQUEST_READ && request.method == METHOD_HEAD;
    client->received.clear();
    client->received.shrink_to_fit();
    if (read != REQUEST_READ) {
        Refuse(*core, client, StatusOfRead(read), now_us);
        return;
    }
    // The path alone: a query may hold the token.
    client->path = Printable(request.path, 256);
    Decision decision =
        DecideRequest(request, core->settings.access, client->key, now_us, &core->wrong);
    if (decision.status != 200) {
        Refuse(*core, client, decision.status, now_us);
        return;
    }
    client->endpoint = decision.endpoint;
    client->head = decision.head;
    Begin(core, client, now_us);
}

// A stream client that has sent its last part gets the newest frame, the
// last one again, or the "no camera" picture, as NextPart says.
void NextStreamPart(ServerCore *core, Client *client, const FeedState &state, int64_t now_us)
{
    const FramePtr &newest = state.newest;
    uint64_t newest_sequence = newest != NULL ? newest->sequence : 0;
    int64_t newest_us = newest != NULL ? newest->monotonic_us : 0;
    StreamSend send =
        NextPart(newest_sequence, newest_us, client->sent_sequence, client->last_part_us, now_us);
    FramePtr frame;
    int64_t wall_us = now_us + core->wall_minus_monotonic_us;
    if (send == SEND_NEWEST || send == SEND_REPEAT) {
        frame = newest;
        wall_us = newest->wall_us;
        client->sent_sequence = newest_sequence;
    } else if (send == SEND_NO_CAMERA) {
        frame = core->feed.no_camera(core->feed.feed);
    }
    if (frame == NULL)
        return;
    Queue(client, PartHead(frame->jpeg.size(), wall_us), frame, false, PartTail(), now_us);
    client->last_part_us = now_us;
}

// The real feed behind the seam.
void RealWatch(void *feed, int watchers)
{
    WatchFeed((FrameFeed *)feed, watchers);
}
uint64_t RealAskFresh(void *feed)
{
    return AskFreshFrame((FrameFeed *)feed);
}
FeedState RealRead(void *feed)
{
    return ReadFeed((FrameFeed *)feed);
}
FramePtr RealNoCamera(void *feed)
{
    return NoCameraPicture((FrameFeed *)feed);
}

}  // namespace

FeedSeam RealFeedSeam(FrameFeed *feed)
{
    FeedSeam seam = {feed, RealWatch, RealAskFresh, RealRead, RealNoCamera};
    return seam;
}

void StartCore(ServerCore *core, const CoreSettings &settings, const FeedSeam &feed, FILE *log,
               int64_t now_us, int64_t wall_us)
{
    core->settings = settings;
    core->feed = feed;
    core->log = log;
    core->start_us = now_us;
    core->wall_minus_monotonic_us = wall_us - now_us;
    core->wrong = WrongTokenTable();
    core->clients.clear();
    core->next_id = 1;
    core->watchers = 0;
}

Admission AdmitClient(ServerCore *core, const ClientKey &key, const std::string &address,
                      int64_t now_us, int *id, std::string *refusal)
{
    int pending = 0;
    for (const auto &entry : core->clients)
        pending += entry.second.phase == PHASE_READING ? 1 : 0;
    if (pending >= core->settings.max_pending) {
        *refusal = RefusalAnswer(503, false);
        if (core->log != NULL) {
            fprintf(core->log, "%s - - 503\n", address.c_str());
            fflush(core->log);
        }
        return CLIENT_REFUSED;
    }
    *id = core->next_id++;
    Client &client = core->clients[*id];
    client.key = key;
    client.address = address;
    client.connected_us = now_us;
    return CLIENT_ADMITTED;
}

void ClientReceived(ServerCore *core, int id, const char *bytes, size_t size, int64_t now_us)
{
    auto found = core->clients.find(id);
    if (found == core->clients.end() || found->second.phase != PHASE_READING)
        return;
    found->second.received.append(bytes, size);
    ReadHead(core, &found->second, now_us);
    UpdateWatchers(core);
}

void ClientHungUp(ServerCore *core, int id)
{
    auto found = core->clients.find(id);
    if (found == core->clients.end())
        return;
    // One that closed its side after a whole request still gets its answer;
    // a stream's reader that did so is gone.
    ClientPhase phase = found->second.phase;
    if (phase == PHASE_READING || phase == PHASE_STREAM)
        found->second.phase = PHASE_FINISHED;
    UpdateWatchers(core);
}

void ServeClients(ServerCore *core, int64_t now_us)
{
    FeedState state = core->feed.read(core->feed.feed);
    const CoreSettings &settings = core->settings;
    for (auto &entry : core->clients) {
        Client *client = &entry.second;
        if (client->phase == PHASE_FINISHED)
            continue;
        if (client->phase == PHASE_READING) {
            // Told why, like every refusal; the send limit bounds the telling.
            if (now_us - client->connected_us >= settings.request_timeout_us)
                Refuse(*core, client, StatusOfRead(REQUEST_INCOMPLETE), now_us);
            continue;
        }
        if (Sending(*client)) {
            if (now_us - client->progress_us >= settings.send_timeout_us) {
                client->phase = PHASE_FINISHED;
                client->cut = true;
            }
            continue;
        }
        if (client->phase == PHASE_FRESH) {
            if (state.fresh_ticket >= client->ticket)
                AnswerFrame(*core, client, state.fresh, now_us);
            else if (now_us - client->fresh_since_us >= settings.fresh_timeout_us)
                Refuse(*core, client, 503, now_us);
        } else if (client->phase == PHASE_STREAM) {
            NextStreamPart(core, client, state, now_us);
        }
    }
    UpdateWatchers(core);
}

int ClientOutputs(const ServerCore &core, int id, OutputPiece pieces[OUTPUT_PIECES])
{
    auto found = core.clients.find(id);
    if (found == core.clients.end() || found->second.phase == PHASE_FINISHED)
        return 0;
    const Client &client = found->second;
    OutputPiece all[OUTPUT_PIECES] = {
        {(const uint8_t *)client.out_head.data(), client.out_head.size()},
        {NULL, FrameBytes(client)},
        {(const uint8_t *)client.out_tail.data(), client.out_tail.size()}};
    if (all[1].size > 0)
        all[1].data = (client.out_raw ? client.out_frame->raw : client.out_frame->jpeg).data();
    size_t at = client.out_done;
    int count = 0;
    for (const OutputPiece &piece : all) {
        if (at >= piece.size) {
            at -= piece.size;
            continue;
        }
        pieces[count++] = {piece.data + at, piece.size - at};
        at = 0;
    }
    return count;
}

void ClientOutput(const ServerCore &core, int id, const uint8_t **data, size_t *size)
{
    OutputPiece pieces[OUTPUT_PIECES];
    bool any = ClientOutputs(core, id, pieces) > 0;
    *data = any ? pieces[0].data : NULL;
    *size = any ? pieces[0].size : 0;
}

void ClientSent(ServerCore *core, int id, size_t size, int64_t now_us)
{
    auto found = core->clients.find(id);
    if (found == core->clients.end() || size == 0)
        return;
    Client *client = &found->second;
    client->out_done += size;
    client->progress_us = now_us;
    if (Sending(*client))
        return;
    // Done: the frame goes back to the feed's keeping.
    client->out_frame = NULL;
    client->out_head.clear();
    client->out_tail.clear();
    client->out_done = 0;
    if (client->phase == PHASE_ANSWER)
        client->phase = PHASE_FINISHED;
}

bool ClientReading(const ServerCore &core, int id)
{
    auto found = core.clients.find(id);
    return found != core.clients.end() && found->second.phase == PHASE_READING;
}

bool ClientFinished(const ServerCore &core, int id)
{
    auto found = core.clients.find(id);
    return found == core.clients.end() || found->second.phase == PHASE_FINISHED;
}

bool ClientCut(const ServerCore &core, int id)
{
    auto found = core.clients.find(id);
    return found != core.clients.end() && found->second.cut;
}

void ForgetClient(ServerCore *core, int id)
{
    core->clients.erase(id);
    UpdateWatchers(core);
}

int64_t NextCoreEvent(const ServerCore &core, int64_t now_us, int64_t limit_us)
{
    int64_t next = now_us + limit_us;
    const CoreSettings &settings = core.settings;
    for (const auto &entry : core.clients) {
        const Client &client = entry.second;
        int64_t at = next;
        if (client.phase == PHASE_FINISHED)
            at = now_us;
        else if (client.phase == PHASE_READING)
            at = client.connected_us + settings.request_timeout_us;
        else if (Sending(client))
            at = client.progress_us + settings.send_timeout_us;
        else if (client.phase == PHASE_FRESH)
            at = client.fresh_since_us + settings.fresh_timeout_us;
        else if (client.phase == PHASE_STREAM)
            at = std::max(client.last_part_us + STREAM_REPEAT_US, now_us + STREAM_POLL_US);
        next = std::min(next, at);
    }
    return next;
}

int StreamClients(const ServerCore &core)
{
    int count = 0;
    for (const auto &entry : core.clients)
        count += entry.second.phase == PHASE_STREAM && !entry.second.head ? 1 : 0;
    return count;
}
