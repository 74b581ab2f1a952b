// Snapshots: the frame on screen as kavroNNN.png (its picture, exactly the
// painted colours) and kavroNNN.bin (its raw bytes) in the chosen folder,
// numbered on from the highest number there, never overwriting, each file
// complete or absent. Platform-free; the window runs it on a thread of its
// own.
#ifndef PUKAVRO_KAVROVIEW_SNAPSHOT_H
#define PUKAVRO_KAVROVIEW_SNAPSHOT_H

#include <stdint.h>

#include <string>
#include <vector>

// The prefix of every snapshot's name, and the fewest digits of its number.
#define SNAPSHOT_PREFIX "kavro"
enum { SNAPSHOT_DIGITS = 3, SNAPSHOT_NUMBER_MAX = 999999999 };

// One above the highest number of the kavroNNN.png and kavroNNN.bin among
// names (any letter case), 1 when there is none.
uint32_t NextSnapshotNumber(const std::vector<std::string> &names);

// "kavro007": the name of number without its extension.
std::string SnapshotStem(uint32_t number);

// folder ("" for the current one) as a prefix for the names in it.
std::string FolderPrefix(const std::string &folder);

enum SnapshotResult { SNAPSHOT_SAVED, SNAPSHOT_FAILED };

// Saves raw (RAW_FRAME_BYTES) and its picture as shown (DISPLAY_IMAGE_BYTES
// of painted bits, the time stamp in it when shown) as the next pair of
// names in folder. On
// SNAPSHOT_SAVED, *saved is the names' stem ("kavro007") without the
// folder; on
// SNAPSHOT_FAILED, *reason says why and neither file is left.
SnapshotResult SaveSnapshot(const std::string &folder, const uint8_t *raw, const uint8_t *picture,
                            std::string *saved, std::string *reason);

#endif
