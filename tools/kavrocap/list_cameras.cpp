#include "list_cameras.h"

#include <string>
#include <vector>

#include "camera_choice.h"
#include "console.h"
#include "json_text.h"
#include "kavrocap.h"
#include "report.h"

namespace {

// The program that talks to the camera for all of ours, when one does.
struct Holding {
    bool held;
    CameraHolder holder;
};

Holding HolderOf(const CameraSeam &camera, int number)
{
    Holding holding;
    holding.held = camera.holder(EzusbDevicePath(number).c_str(), &holding.holder);
    return holding;
}

// Only for a camera that has a holder: a listing of free cameras stays as it
// always was.
std::string HolderJson(const Holding &holding)
{
    if (!holding.held)
        return "";
    return ",\"holder\":{\"pid\":" + std::to_string(holding.holder.pid)
           + ",\"name\":" + JsonText(holding.holder.name) + "}";
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
                    + ",\"path\":" + JsonText(EzusbDevicePath(numbers[i]))
                    + HolderJson(HolderOf(camera, numbers[i])) + "}";
        PrintLine(out, json + "]");
    } else {
        for (int number : numbers) {
            Holding holding = HolderOf(camera, number);
            PrintLine(out, std::to_string(number) + " " + EzusbDevicePath(number)
                               + (holding.held
                                      ? " held by " + std::string(holding.holder.name) + " (pid "
                                            + std::to_string(holding.holder.pid) + ")"
                                      : ""));
        }
    }
    if (numbers.empty() && !options.quiet)
        Report(err, KAVROCAP_NAME, "no camera found");
    return EXIT_ALL_DONE;
}
