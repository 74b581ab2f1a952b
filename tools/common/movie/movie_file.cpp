#include "movie_file.h"

namespace {

MovieFileOpener g_opener = OpenSystemMovieFile;

}  // namespace

MovieFileStatus OpenMovieFile(const char *name, MovieFileMode mode, MovieFile *file,
                              int *system_error)
{
    return g_opener(name, mode, file, system_error);
}

void UseMovieFileOpener(MovieFileOpener opener)
{
    g_opener = opener != NULL ? opener : OpenSystemMovieFile;
}
