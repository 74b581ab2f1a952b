// kavrocap --list: the cameras present, for a person or (--json) a script.
// Platform-free.
#ifndef PUKAVRO_KAVROCAP_LIST_CAMERAS_H
#define PUKAVRO_KAVROCAP_LIST_CAMERAS_H

#include <stdio.h>

#include "camera.h"
#include "exit_status.h"
#include "options.h"

// One line per camera present, "N PATH", or the JSON array
// [{"number":N,"path":"PATH"},...]; with none, a hint on err (not with -q)
// and nothing on out but "[]" for --json. Takes no frame. Always
// EXIT_ALL_DONE.
ExitStatus ListCamerasTo(const CaptureOptions &options, FILE *out, FILE *err,
                         const CameraSeam &camera);

#endif
