// The sequence locks. The copies are plain memcpy between fences: a copy
// that overlapped a write is thrown away by the check, never used.
#include "camera_board.h"

#include <string.h>

#include <thread>

void (*g_board_read_hook)(void) = NULL;

namespace {

uint32_t Load(const uint32_t *word)
{
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

// Begins a write: the lock made odd (from even, even one a dead writer left
// odd). Returns the even value the write ends with.
uint32_t BeginWrite(uint32_t *lock)
{
    uint32_t value = __atomic_load_n(lock, __ATOMIC_RELAXED);
    if (value & 1)
        ++value;
    __atomic_store_n(lock, value + 1, __ATOMIC_RELAXED);
    __atomic_thread_fence(__ATOMIC_RELEASE);
    return value + 2;
}

void EndWrite(uint32_t *lock, uint32_t value)
{
    __atomic_store_n(lock, value, __ATOMIC_RELEASE);
}

BoardRead ReadLocked(const uint32_t *lock, const void *from, void *to, size_t bytes)
{
    for (int tries = 0; tries < BOARD_READ_TRIES; ++tries) {
        if (tries > 0)
            std::this_thread::yield();
        uint32_t before = Load(lock);
        if (before & 1)
            continue;
        memcpy(to, from, bytes);
        if (g_board_read_hook != NULL)
            g_board_read_hook();
        __atomic_thread_fence(__ATOMIC_ACQUIRE);
        if (__atomic_load_n(lock, __ATOMIC_RELAXED) == before)
            return BOARD_READ;
    }
    return BOARD_TORN;
}

}  // namespace

void InitBoard(CameraBoard *board)
{
    memset(board, 0, sizeof *board);
    board->version = BOARD_VERSION;
    board->bytes = sizeof *board;
    board->slot_count = BOARD_SLOTS;
    __atomic_store_n(&board->magic, static_cast<uint32_t>(BOARD_MAGIC), __ATOMIC_RELEASE);
}

bool BoardIsOurs(const CameraBoard *board)
{
    return Load(&board->magic) == BOARD_MAGIC && board->version == BOARD_VERSION
           && board->bytes == sizeof *board && board->slot_count == BOARD_SLOTS;
}

void WriteRecord(BoardRecord *record, const BoardRecord &value)
{
    uint32_t end = BeginWrite(&record->lock);
    memcpy(reinterpret_cast<uint8_t *>(record) + sizeof record->lock,
           reinterpret_cast<const uint8_t *>(&value) + sizeof value.lock,
           sizeof value - sizeof value.lock);
    EndWrite(&record->lock, end);
}

BoardRead ReadRecord(const BoardRecord *record, BoardRecord *value)
{
    BoardRead read = ReadLocked(&record->lock, record, value, sizeof *value);
    value->lock = 0;
    return read;
}

void PublishResult(CameraBoard *board, const BoardResult &result)
{
    uint32_t end = BeginWrite(&board->result_lock);
    memcpy(&board->result, &result, sizeof result);
    EndWrite(&board->result_lock, end);
    __atomic_store_n(&board->published, result.sequence, __ATOMIC_RELEASE);
}

BoardRead ReadResult(const CameraBoard *board, BoardResult *result)
{
    return ReadLocked(&board->result_lock, &board->result, result, sizeof *result);
}

void RepairResult(CameraBoard *board)
{
    if ((Load(&board->result_lock) & 1) == 0)
        return;
    uint32_t end = BeginWrite(&board->result_lock);
    memset(&board->result, 0, sizeof board->result);
    EndWrite(&board->result_lock, end);
}

void WriteDemand(BoardSlot *slot, const BoardDemand &demand)
{
    uint32_t end = BeginWrite(&slot->lock);
    memcpy(&slot->demand, &demand, sizeof demand);
    EndWrite(&slot->lock, end);
}

BoardRead ReadDemand(const BoardSlot *slot, BoardDemand *demand)
{
    return ReadLocked(&slot->lock, &slot->demand, demand, sizeof *demand);
}

uint64_t LoadStarted(const CameraBoard *board)
{
    return __atomic_load_n(&board->started, __ATOMIC_ACQUIRE);
}

uint64_t LoadPublished(const CameraBoard *board)
{
    return __atomic_load_n(&board->published, __ATOMIC_ACQUIRE);
}

int64_t LoadRunningDeadline(const CameraBoard *board)
{
    return __atomic_load_n(&board->running_deadline_us, __ATOMIC_ACQUIRE);
}

void SetRunningDeadline(CameraBoard *board, int64_t deadline_us)
{
    __atomic_store_n(&board->running_deadline_us, deadline_us, __ATOMIC_RELEASE);
}

uint64_t BeginConversation(CameraBoard *board, int64_t deadline_us)
{
    SetRunningDeadline(board, deadline_us);
    uint64_t sequence = LoadStarted(board) + 1;
    __atomic_store_n(&board->started, sequence, __ATOMIC_RELEASE);
    return sequence;
}

int64_t LatestDeadline(const CameraBoard *board, uint64_t sequence, int64_t now_us)
{
    int64_t latest = now_us;
    for (const BoardSlot &slot : board->slots) {
        BoardDemand demand;
        if (Load(&slot.claimed) != 0 && ReadDemand(&slot, &demand) == BOARD_READ
            && demand.waiting > 0 && demand.wanted_after < sequence && demand.deadline_us > latest)
            latest = demand.deadline_us;
    }
    return latest;
}

bool OthersWait(const CameraBoard *board, int slot, int64_t now_us)
{
    for (int i = 0; i < BOARD_SLOTS; ++i) {
        BoardDemand demand;
        if (i != slot && Load(&board->slots[i].claimed) != 0
            && ReadDemand(&board->slots[i], &demand) == BOARD_READ && demand.waiting > 0
            && demand.deadline_us > now_us)
            return true;
    }
    return false;
}

BoardWants GatherWants(const CameraBoard *board, int64_t now_us)
{
    BoardWants wants = {false, now_us, INT64_MAX};
    uint64_t published = LoadPublished(board);
    for (const BoardSlot &slot : board->slots) {
        BoardDemand demand;
        if (Load(&slot.claimed) == 0 || ReadDemand(&slot, &demand) != BOARD_READ)
            continue;
        // Satisfied by the newest result already, or given up by now (a
        // program that died waiting leaves its demand behind).
        if (demand.waiting == 0 || demand.wanted_after < published || demand.deadline_us <= now_us)
            continue;
        if (demand.due_us <= now_us) {
            wants.run = true;
            if (demand.deadline_us > wants.deadline_us)
                wants.deadline_us = demand.deadline_us;
        } else if (demand.due_us < wants.next_due_us) {
            wants.next_due_us = demand.due_us;
        }
    }
    return wants;
}
