// kavroview's command line: kavroview [-d N|PATH] [FOLDER]. Platform-free.
#ifndef PUKAVRO_KAVROVIEW_VIEW_OPTIONS_H
#define PUKAVRO_KAVROVIEW_VIEW_OPTIONS_H

#include <string>
#include <vector>

struct ViewOptions {
    std::string device;  // the camera's device path (UTF-8)
    std::string folder;  // where snapshots and recordings go; "" for the current folder
};

enum ViewArguments {
    VIEW_ARGUMENTS_OK,
    VIEW_HELP,            // -h, --help or /?: the usage asked for, whatever follows
    VIEW_UNKNOWN_OPTION,  // an option other than -d
    VIEW_BAD_DEVICE,      // -d without a value, or one that names no camera
    VIEW_TOO_MANY,        // a second FOLDER
    VIEW_NO_FOLDER,       // FOLDER is not an existing folder
};

// Reads the UTF-8 arguments (the program's name first). On a problem,
// *culprit is the argument at fault; otherwise it is empty.
ViewArguments ParseViewArguments(const std::vector<std::string> &args, ViewOptions *options,
                                 std::string *culprit);

#endif
