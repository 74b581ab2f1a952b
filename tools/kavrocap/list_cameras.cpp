#include "list_cameras.h"

#include <string>
#include <vector>

#include "camera_choice.h"
#include "console.h"
#include "kavrocap.h"
#include "report.h"

namespace {

// A JSON string of a path: only backslashes and quotes need escapes there.
std::string JsonText(const std::string &text)
{
    std::string json = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            json += '\\';
        json += c;
    }
    return json + "\"";
}

}  // namespace

ExitStatus ListCamerasTo(const CaptureOptions &options, FILE *out, FILE *err,
                         const CameraSeam &camera)
{
    std::vector<int> numbers = ListCameras(camera);
    if (options.json) {
        std::string json = "[";
        for (size_t i = 0; i < numbers.size(); ++i)
            json += std::string(i > 0 ? "," : "") + "{\"number\":" + std::to_string(numbers[i])
                    + ",\"path\":" + JsonText(EzusbDevicePath(numbers[i])) + "}";
        PrintLine(out, json + "]");
    } else {
        for (int number : numbers)
            PrintLine(out, std::to_string(number) + " " + EzusbDevicePath(number));
    }
    if (numbers.empty() && !options.quiet)
        Report(err, KAVROCAP_NAME, "no camera found");
    return EXIT_ALL_DONE;
}
