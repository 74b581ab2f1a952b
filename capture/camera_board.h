// The board that every program of ours on one camera shares, in a file
// mapping: the newest conversation's result with its frame, the numbers of
// the conversations begun and published, the program holding the taker
// role, the conversation still out in the driver, and one slot per program
// that says what its callers wait for. Fixed-width fields at fixed offsets
// and no pointers, so 32-bit and 64-bit programs read one layout at any
// address. Each record is written by one writer at a time under a sequence
// lock (odd while written); a reader copies, checks the lock again, and
// retries a bounded number of times. Platform-free.
#ifndef PUKAVRO_CAMERA_BOARD_H
#define PUKAVRO_CAMERA_BOARD_H

#include <stddef.h>
#include <stdint.h>

#include "frame.h"

enum {
    BOARD_MAGIC = 0x6b76616b,  // "kavk"
    BOARD_VERSION = 1,
    BOARD_SLOTS = 32,       // programs at once on one camera
    BOARD_NAME_BYTES = 40,  // a program's file name, UTF-8, NUL-padded
    BOARD_READ_TRIES = 1000,
};

// A program: its process, and which of our clients in it (a process has
// one per camera; tests run several in one process).
struct BoardProcess {
    uint32_t pid;
    uint32_t instance;
    uint64_t created;  // the process's creation time (FILETIME), so a reused pid is another
};

// What one program's callers wait for.
struct BoardDemand {
    uint32_t waiting;  // callers waiting now; 0: the rest means nothing
    uint32_t reserved;
    uint64_t wanted_after;  // they want a result numbered above this
    int64_t due_us;         // not before this monotonic time (a caller's rate)
    int64_t deadline_us;    // the last of their time-outs ends then
};

struct BoardSlot {
    uint32_t claimed;  // 0 free, 1 taken; changed only under the slots' guard
    uint32_t lock;
    BoardProcess process;
    BoardDemand demand;
    uint8_t reserved[8];
};

// A program and a conversation number: the taker, or the conversation out.
struct BoardRecord {
    uint32_t lock;
    uint32_t active;  // 0: nobody, nothing out
    BoardProcess process;
    uint64_t sequence;
    char name[BOARD_NAME_BYTES];
};

struct BoardResult {
    uint64_t sequence;  // 0: none (never published, or torn by a writer that died)
    int64_t monotonic_us;
    int64_t wall_us;   // microseconds since 1970-01-01 UTC
    uint32_t outcome;  // a CameraOutcome
    uint32_t got;
    uint8_t frame[RAW_FRAME_BYTES];
};

struct CameraBoard {
    uint32_t magic;
    uint32_t version;
    uint32_t bytes;
    uint32_t slot_count;
    uint64_t started;    // the newest conversation begun (atomic)
    uint64_t published;  // the newest result wholly written (atomic)
    uint32_t result_lock;
    uint32_t reserved;
    int64_t running_deadline_us;  // the conversation out runs until then (atomic)
    BoardRecord taker;
    BoardRecord out;
    BoardResult result;
    BoardSlot slots[BOARD_SLOTS];
};

static_assert(sizeof(BoardProcess) == 16, "one layout for 32-bit and 64-bit programs");
static_assert(sizeof(BoardDemand) == 32, "one layout for 32-bit and 64-bit programs");
static_assert(sizeof(BoardSlot) == 64, "one layout for 32-bit and 64-bit programs");
static_assert(sizeof(BoardRecord) == 72, "one layout for 32-bit and 64-bit programs");
static_assert(offsetof(CameraBoard, taker) == 48, "one layout for 32-bit and 64-bit programs");
static_assert(offsetof(CameraBoard, result) == 192, "one layout for 32-bit and 64-bit programs");
static_assert(offsetof(CameraBoard, slots) == 192 + 32 + RAW_FRAME_BYTES,
              "one layout for 32-bit and 64-bit programs");
static_assert(sizeof(CameraBoard) == 192 + 32 + RAW_FRAME_BYTES + 64 * BOARD_SLOTS,
              "one layout for 32-bit and 64-bit programs");

enum BoardRead {
    BOARD_READ,  // a consistent copy
    BOARD_TORN,  // every try met a writer at work (or one that died at it)
};

// Called between a reader's copy and its check; tests make a torn read with
// it. NULL normally.
extern void (*g_board_read_hook)(void);

// Makes a new board: header filled in, everything else zero. Only on a
// mapping just made, before anyone else can see it.
void InitBoard(CameraBoard *board);
// Whether the header is this layout's.
bool BoardIsOurs(const CameraBoard *board);

// A record under its lock (the taker's, the out record).
void WriteRecord(BoardRecord *record, const BoardRecord &value);
BoardRead ReadRecord(const BoardRecord *record, BoardRecord *value);

// The result: the writer is the taker alone. A lock left odd (a taker that
// died while writing) is made even first, so the next write is whole.
void PublishResult(CameraBoard *board, const BoardResult &result);
// Copies the newest result; sequence 0 when there is none.
BoardRead ReadResult(const CameraBoard *board, BoardResult *result);
// For a new taker: a result a dead writer left half-written is marked none.
void RepairResult(CameraBoard *board);

// One slot's demand, written by its program alone.
void WriteDemand(BoardSlot *slot, const BoardDemand &demand);
BoardRead ReadDemand(const BoardSlot *slot, BoardDemand *demand);

uint64_t LoadStarted(const CameraBoard *board);
uint64_t LoadPublished(const CameraBoard *board);
int64_t LoadRunningDeadline(const CameraBoard *board);
void SetRunningDeadline(CameraBoard *board, int64_t deadline_us);
// Numbers a new conversation, which runs until deadline_us: started + 1,
// stored.
uint64_t BeginConversation(CameraBoard *board, int64_t deadline_us);

// What every program's callers want of the taker, at now_us: a conversation
// now (run), its time-out (the longest waiter's), or else when to look again.
struct BoardWants {
    bool run;
    int64_t deadline_us;  // run: the longest waiter's end
    int64_t next_due_us;  // !run: the soonest caller's due time; INT64_MAX: none
};
BoardWants GatherWants(const CameraBoard *board, int64_t now_us);
// The end of the longest time-out among the programs whose callers would
// take conversation sequence; now_us when none waits for it.
int64_t LatestDeadline(const CameraBoard *board, uint64_t sequence, int64_t now_us);
// Whether a program other than the one in slot has a caller waiting.
bool OthersWait(const CameraBoard *board, int slot, int64_t now_us);

#endif
