// Runs kavrocap.exe as a script would, in a fresh folder of its own, against
// the simulated camera, and keeps what it printed and left behind.
#ifndef PUKAVRO_TESTS_KAVROCAP_FIXTURE_H
#define PUKAVRO_TESTS_KAVROCAP_FIXTURE_H

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "bytes.h"
#include "camera_fixture.h"

typedef std::vector<std::string> Strings;

// The program under test, as a Windows path (set by main).
extern std::string g_kavrocap;

// The picture the window paints for frame n: bottom-up BGR bits.
Bytes PaintedBits(uint32_t n);
// The bottom-up BGR bits of a BMP or PNG file, or empty when it is neither
// a 96 x 72 24-bit BMP nor a 96 x 72 RGB PNG.
Bytes PictureBits(const Bytes &file);

// The usage line that follows every usage error.
extern const char USAGE_LINE[];

// Windows text's lines ("\r\n") as "\n".
std::string UnixLines(const std::string &text);

class KavrocapTest : public SimulatedCamera {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs "kavrocap ARGS..." in the folder; returns its exit code and keeps
    // its standard output and error in out and err, lines ending in "\n"
    // (Windows text ends them in "\r\n"), and the output's bytes in raw_out.
    int Run(const Strings &args);
    // The command line that runs "kavrocap ARGS...".
    std::string CommandLine(const Strings &args) const;
    // The names in the folder, sorted.
    Strings Names() const;
    Bytes File(const std::string &name) const;
    void Put(const std::string &name, const Bytes &bytes) const;
    // The camera's counters once every open has its close.
    EzusbsimCounters Counters() const;

    std::string folder;
    std::string out, err, raw_out;
};

// A numbered camera's counters once every open has its close, sentinels
// (0xEE) where they could not be read.
EzusbsimCounters Settled(int camera);

#endif
