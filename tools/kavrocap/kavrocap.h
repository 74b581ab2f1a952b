// kavrocap on Windows: the pieces of one run, each in a file of its own.
#ifndef PUKAVRO_KAVROCAP_H
#define PUKAVRO_KAVROCAP_H

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "options.h"

// Runs the tool on the UTF-8 arguments (the program's name first). Returns
// the exit status.
int RunKavrocap(const std::vector<std::string> &args);

// One line to standard error, "kavrocap: " first.
void Report(const std::string &text);

// stop.cpp: Ctrl+C (and Ctrl+Break) set an event instead of ending the
// process, so that the frame in flight is abandoned cleanly and the summary
// printed. Returns the event, or NULL when it cannot be made.
HANDLE StartStopSignal();
// The clock and the wait the schedule runs on; context is the stop event.
int64_t SteadyMicroseconds(void *context);
int WaitUnlessStopped(void *context, int64_t us);

// take_frame.cpp
enum { TAKE_FRAME = 0, TAKE_FAILED = -1, TAKE_STOPPED = 1 };
// Takes one frame, trying again at once after a failure, up to the retries
// of options. On TAKE_FAILED, reason tells why the last attempt failed.
int TakeFrameWithRetries(const CaptureOptions &options, const std::wstring &device, HANDLE stop,
                         uint8_t *frame, std::string *reason);

// save_frame.cpp
// The bytes of the file of frame in the run's format. 0, or -1 (memory).
int EncodeFrame(const uint8_t *frame, OutputFormat format, std::vector<uint8_t> *bytes);
// Writes bytes to path as a whole file. 0, or -1 with reason ("file exists",
// "write failed: ...").
int SaveFile(const std::string &path, const std::vector<uint8_t> &bytes, int replace,
             std::string *reason);
// Appends bytes to standard output (binary). 0, or -1 when it is closed.
int WriteToStandardOutput(const std::vector<uint8_t> &bytes);

// existing_files.cpp
// 1 when folder ("" for the current one) is an existing folder, else 0.
int FolderExists(const std::string &folder);
// The names of the files in the pattern's folder (no folder part).
std::vector<std::string> ListFolder(const std::string &folder);
// The path of the first file (lowest number) among the names of numbers
// first to first + count - 1 that already exists; "" when none does.
std::string FirstExistingName(const NamePattern &pattern, int64_t first, int64_t count);

#endif
