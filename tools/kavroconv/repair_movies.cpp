#include "console.h"
#include "kavroconv.h"
#include "movie_repair.h"
#include "report.h"
#include "system_error.h"

namespace {

std::string Frames(uint32_t frames)
{
    return std::to_string(frames) + (frames == 1 ? " frame" : " frames");
}

// One line for the movie: what was found and done on out, a refusal or a
// failure on err. Whether it is complete now.
bool RepairOne(const char *name, int quiet, FILE *out, FILE *err)
{
    MovieFile file;
    int error = 0;
    if (OpenMovieFile(name, MOVIE_FILE_EXISTING, &file, &error) != MOVIE_FILE_OK) {
        Report(err, KAVROCONV_NAME, std::string(name) + ": cannot open: " + SystemErrorText(error));
        return false;
    }
    uint32_t frames = 0;
    MovieRepair repair = RepairMovie(&file, &frames);
    error = file.system_error;
    if (CloseMovieFile(&file) != MOVIE_FILE_OK && repair == MOVIE_REPAIR_REPAIRED) {
        repair = MOVIE_REPAIR_FAILED;
        error = file.system_error;
    }
    switch (repair) {
    case MOVIE_REPAIR_UNCHANGED:
        if (!quiet)
            PrintLine(out, std::string(name) + ": complete, left unchanged: " + Frames(frames));
        return true;
    case MOVIE_REPAIR_REPAIRED:
        if (!quiet)
            PrintLine(out, std::string(name) + ": repaired: " + Frames(frames));
        return true;
    case MOVIE_REPAIR_NOT_A_MOVIE:
        Report(err, KAVROCONV_NAME,
               std::string(name) + ": not a movie of kavrocap or kavroconv, left untouched");
        return false;
    case MOVIE_REPAIR_FAILED:
        break;
    }
    Report(err, KAVROCONV_NAME, std::string(name) + ": cannot repair: " + SystemErrorText(error));
    return false;
}

}  // namespace

ExitStatus RepairMovies(const std::vector<std::string> &movies, int quiet, FILE *out, FILE *err)
{
    ExitStatus status = EXIT_ALL_DONE;
    for (const std::string &movie : movies) {
        if (!RepairOne(movie.c_str(), quiet, out, err))
            status = EXIT_SOME_FAILED;
    }
    return status;
}
