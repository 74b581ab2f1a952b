#include "capture.h"

CaptureRequest g_capture_request;
