// The cost of a movie's completion point: frames recorded at 25 and at 300
// frames per second, completed once a second into a real file through the
// system's movie file, as kavrocap records them. Run:
//   build/native/bench/movie_completion [FOLDER [RUNS [SECONDS]]]
// (and build/win32/bench/movie_completion.exe under Wine). The movie is made
// in FOLDER (the current one by default) and removed.
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "movie_writer.h"
#include "summary.h"

namespace {

typedef std::chrono::steady_clock Clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One run: `seconds` seconds of recording at `rate` frames a second, the
// frames added untimed; what each second's completions cost, in ms. At
// more than MOVIE_PENDING_FRAMES_MAX frames a second the writer completes by
// itself inside the AddMovieFrame that finds the buffer full: that call is
// counted as well.
bool RecordRun(const std::string &path, uint32_t rate, int seconds, std::vector<double> *costs)
{
    MovieFile file;
    int error = 0;
    if (OpenMovieFile(path.c_str(), MOVIE_FILE_CREATE, &file, &error) != MOVIE_FILE_OK) {
        fprintf(stderr, "movie_completion: cannot create %s (error %d)\n", path.c_str(), error);
        return false;
    }
    MovieWriter writer;
    std::vector<uint8_t> bits(DISPLAY_IMAGE_BYTES);
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = (uint8_t)(i * 7);
    bool ok = StartMovie(&writer, &file, FrameRate{rate, 1}, AVI_DEFAULT_PART_LIMIT) == MOVIE_OK;
    for (int s = 0; s < seconds && ok; ++s) {
        double cost = 0;
        for (uint32_t f = 0; f < rate && ok; ++f) {
            bits[0] = (uint8_t)f;
            bool completes = writer.pending_frames == MOVIE_PENDING_FRAMES_MAX;
            Clock::time_point start = Clock::now();
            ok = AddMovieFrame(&writer, bits.data()) == MOVIE_OK;
            if (completes)
                cost += MillisecondsSince(start);
        }
        Clock::time_point start = Clock::now();
        ok = ok && CompleteMovie(&writer) == MOVIE_OK;
        costs->push_back(cost + MillisecondsSince(start));
    }
    ok = ok && FinishMovie(&writer) == MOVIE_OK;
    CloseMovieFile(&file);
    RemoveMovieFile(path.c_str(), &error);
    if (!ok)
        fprintf(stderr, "movie_completion: writing %s failed\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string folder = argc > 1 ? argv[1] : ".";
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    int seconds = argc > 3 ? atoi(argv[3]) : 40;
    std::string path = folder + "/movie_completion.avi";
    const uint32_t rates[] = {25, 300};
    for (uint32_t rate : rates) {
        std::vector<double> medians, all;
        for (int run = 0; run < runs; ++run) {
            std::vector<double> costs;
            if (!RecordRun(path, rate, seconds, &costs))
                return 1;
            medians.push_back(Summarize(costs).median);
            all.insert(all.end(), costs.begin(), costs.end());
        }
        Summary across = Summarize(medians), each = Summarize(all);
        printf("completion %3u frames/s  median %.3f ms  run medians %.3f-%.3f ms  "
               "p95 %.3f ms  max %.3f ms  (%d runs of %d s)\n",
               rate, across.median, across.min, across.max, each.p95, each.max, runs, seconds);
    }
    return 0;
}
