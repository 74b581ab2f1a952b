#include "console.h"
#include "kavroconv.h"
#include "movie_writer.h"
#include "output_file.h"
#include "report.h"
#include "system_error.h"

namespace {

MovieMade CannotWrite(const char *output, const std::string &reason, FILE *err)
{
    Report(err, KAVROCONV_NAME, std::string(output) + ": cannot write: " + reason);
    return MOVIE_NOT_MADE;
}

// A full disk is told by the system's words; the writer's own texts speak of
// a recording, which this is not.
std::string WriteProblem(MovieResult result, const MovieFile &file)
{
    if (result == MOVIE_WRITE_FAILED || result == MOVIE_WRITE_FAILED_NOT_RESTORED)
        return SystemErrorText(file.system_error);
    return MovieProblem(result);
}

}  // namespace

// Once an input has failed, the rest are still read, so that every one that
// cannot be is named, but nothing more is written.
MovieMade MakeMovie(const std::vector<std::string> &inputs, int inputs_failed, const char *output,
                    FrameRate rate, int quiet, FILE *out, FILE *err)
{
    std::string temporary, reason;
    if (StartOutputFile(output, 1, &temporary, &reason) != OUTPUT_WRITTEN)
        return CannotWrite(output, reason, err);
    MovieFile file;
    int error = 0;
    if (OpenMovieFile(temporary.c_str(), MOVIE_FILE_CREATE, &file, &error) != MOVIE_FILE_OK) {
        RemoveOutputFile(temporary);
        return CannotWrite(output, SystemErrorText(error), err);
    }
    MovieWriter writer;
    MovieResult written = StartMovie(&writer, &file, rate, AVI_DEFAULT_PART_LIMIT);
    int failed = inputs_failed;
    uint8_t frame[RAW_FRAME_BYTES];
    for (size_t i = 0; i < inputs.size() && written == MOVIE_OK; ++i) {
        const char *input = inputs[i].c_str();
        if (ReadFrameFile(input, frame, err) != FRAME_FILE_READ) {
            failed = 1;
        } else if (IsSameFile(input, output)) {
            Report(err, KAVROCONV_NAME,
                   std::string(input) + ": output " + output
                       + " is this frame file itself, not overwritten");
            failed = 1;
        } else if (!failed) {
            written = AddRawMovieFrame(&writer, frame);
        }
    }
    if (written == MOVIE_OK && !failed)
        written = FinishMovie(&writer);
    std::string problem = written != MOVIE_OK ? WriteProblem(written, file) : "";
    if (CloseMovieFile(&file) != MOVIE_FILE_OK && problem.empty())
        problem = SystemErrorText(file.system_error);
    if (failed || !problem.empty()) {
        RemoveOutputFile(temporary);
        return problem.empty() ? MOVIE_NOT_MADE : CannotWrite(output, problem, err);
    }
    if (FinishOutputFile(temporary, output, 1, &reason) != OUTPUT_WRITTEN)
        return CannotWrite(output, reason, err);
    if (!quiet)
        PrintLine(out, output);
    return MOVIE_MADE;
}
