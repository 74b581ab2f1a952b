#include "view_options.h"

#include "camera_choice.h"
#include "ezusb_device.h"
#include "folder_entries.h"

ViewArguments ParseViewArguments(const std::vector<std::string> &args, ViewOptions *options,
                                 std::string *culprit)
{
    options->device = EZUSB_DEVICE_PATH;
    options->folder.clear();
    bool have_folder = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        *culprit = arg;
        if (arg == "-h" || arg == "--help" || arg == "/?") {
            culprit->clear();
            return VIEW_HELP;
        }
        if (arg == "-d") {
            if (i + 1 == args.size())
                return VIEW_BAD_DEVICE;
            *culprit = args[++i];
            if (ChooseDevice(culprit->c_str(), &options->device) != DEVICE_CHOSEN)
                return VIEW_BAD_DEVICE;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return VIEW_UNKNOWN_OPTION;
        } else if (have_folder) {
            return VIEW_TOO_MANY;
        } else {
            if (arg.empty() || !FolderExists(arg))
                return VIEW_NO_FOLDER;
            options->folder = arg;
            have_folder = true;
        }
    }
    culprit->clear();
    return VIEW_ARGUMENTS_OK;
}
