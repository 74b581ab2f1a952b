// Makes a movie left incomplete (by a killed recording, a crash, a full
// disk) complete again for every reader: its indexes, counts and sizes are
// rebuilt from the frame chunks it holds, keeping every whole frame.
#ifndef PUKAVRO_MOVIE_REPAIR_H
#define PUKAVRO_MOVIE_REPAIR_H

#include <stdint.h>

#include "movie_file.h"

enum MovieRepair {
    MOVIE_REPAIR_UNCHANGED,  // the movie was complete: nothing was written
    MOVIE_REPAIR_REPAIRED,
    MOVIE_REPAIR_NOT_A_MOVIE,  // not a movie of ours: nothing was written
    MOVIE_REPAIR_FAILED,       // reading or writing failed: file->system_error
};

// *frames is set to the frames the movie holds (after a repair, or as it
// was) on UNCHANGED and REPAIRED.
MovieRepair RepairMovie(MovieFile *file, uint32_t *frames);

#endif
