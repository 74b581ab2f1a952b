// One conversation with the camera's driver, on the camera's own thread
// (camera_thread.h): open the device, the vendor request, the bulk read,
// close. Each one is recorded on the camera's board while it is out, so
// that if this program dies with a request still in the driver, the next
// program to take the camera waits for that request instead of sending one
// beside it.
#ifndef PUKAVRO_DRIVER_CONVERSATION_H
#define PUKAVRO_DRIVER_CONVERSATION_H

#include <windows.h>
#include <stdint.h>

#include "camera_board.h"
#include "camera_thread.h"

// The conversation's own view of the board, and what it records there.
struct ConversationRecord {
    HANDLE mapping;  // duplicated: the conversation may outlive its opener
    BoardProcess process;
    char name[BOARD_NAME_BYTES];
};

// Starts the camera's thread for device (UTF-16 path). Each run records the
// board's newest conversation begun as its own number. NULL when no thread,
// memory or view could be had.
CameraThread *StartDriverConversation(const wchar_t *device, const ConversationRecord &record);

// A request that fails because its device was removed under it is
// CAMERA_NOT_FOUND, as a failed open is.
CameraOutcome FailedRequest(DWORD error);

#endif
