#include <winsock2.h>

#include "kavroserve.h"

#include "client_core.h"
#include "clients.h"
#include "frame_clock.h"
#include "frame_feed.h"
#include "pukavro_version.h"
#include "report.h"
#include "server_options.h"
#include "system_error.h"
#include "token_file.h"

namespace {

// Everything the server holds once it has started, ended in reverse.
struct Running {
    Listener listener = {(uintptr_t)INVALID_SOCKET, 0};
    WakeUp *wake = NULL;
    FrameFeed *feed = NULL;
};

void StopRunning(Running *running)
{
    if (running->feed != NULL)
        StopFeed(running->feed);
    CloseWakeUp(running->wake);
    CloseListener(&running->listener);
}

ExitStatus Serve(const ServeOptions &options, const std::string &token, FILE *out, FILE *err,
                 const CameraSeam &camera, StopSignal *stop)
{
    Running running;
    std::string problem;
    if (OpenListener(options.listen, LISTEN_RETRY_MS, err, stop, &running.listener, &problem)
        != LISTENING) {
        Report(err, KAVROSERVE_NAME, problem);
        return StopRaised(stop) ? EXIT_ALL_DONE : EXIT_SOME_FAILED;
    }
    running.wake = OpenWakeUp();
    if (running.wake == NULL) {
        Report(err, KAVROSERVE_NAME,
               "cannot make the loop's wake-up socket: " + SystemErrorText(WSAGetLastError()));
        StopRunning(&running);
        return EXIT_SOME_FAILED;
    }
    FeedSettings feed_settings;
    feed_settings.device = options.device;
    feed_settings.fps = options.fps;
    feed_settings.quality = options.quality;
    running.feed = StartFeed(camera, feed_settings, PokeWakeUp, running.wake);
    if (running.feed == NULL) {
        Report(err, KAVROSERVE_NAME, "cannot start the camera's thread");
        StopRunning(&running);
        return EXIT_SOME_FAILED;
    }
    CoreSettings settings;
    settings.max_clients = options.max_clients;
    settings.max_pending = options.max_pending;
    settings.request_timeout_us = options.request_timeout_us;
    settings.send_timeout_us = options.send_timeout_us;
    settings.access.token_required = !token.empty();
    settings.access.token = token;
    settings.access.port = running.listener.port;
    settings.camera = options.device;
    settings.version = PUKAVRO_VERSION_TEXT;
    ServerCore core;
    StartCore(&core, settings, RealFeedSeam(running.feed), out, MonotonicUs(), WallClockUs());
    // Tests and scripts read the port from this line.
    fprintf(out, "%s: serving camera %s on http://%s/\n", KAVROSERVE_NAME,
            options.camera_name.c_str(),
            AddressText(options.listen, running.listener.port).c_str());
    fflush(out);
    ServeConnections(running.listener, running.wake, &core, stop);
    StopRunning(&running);
    return EXIT_ALL_DONE;
}

}  // namespace

ExitStatus RunKavroserve(const std::vector<std::string> &args, FILE *out, FILE *err,
                         const CameraSeam &camera, StopSignal *stop)
{
    ServeOptions options;
    std::string problem;
    if (ParseServeOptions(args, &options, &problem) != SERVE_OPTIONS_ACCEPTED) {
        Report(err, KAVROSERVE_NAME, problem);
        fputs(KAVROSERVE_USAGE, err);
        return EXIT_USAGE;
    }
    if (options.command == SERVE_HELP) {
        fputs(KAVROSERVE_HELP, out);
        return EXIT_ALL_DONE;
    }
    if (options.command == SERVE_VERSION) {
        fputs(KAVROSERVE_NAME " " PUKAVRO_VERSION_TEXT "\n", out);
        return EXIT_ALL_DONE;
    }
    std::string token;
    if (!options.token_file.empty()) {
        TokenFileResult loaded = LoadTokenFile(options.token_file, &token, &problem);
        if (loaded == TOKEN_FILE_FAILED) {
            Report(err, KAVROSERVE_NAME, problem);
            return EXIT_SOME_FAILED;
        }
        if (loaded == TOKEN_FILE_CREATED)
            Report(err, KAVROSERVE_NAME,
                   "a new token was written to " + options.token_file + " (readable by you only)");
    }
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        Report(err, KAVROSERVE_NAME, "cannot start Winsock");
        return EXIT_SOME_FAILED;
    }
    ExitStatus status = Serve(options, token, out, err, camera, stop);
    WSACleanup();
    return status;
}
