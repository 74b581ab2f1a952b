#include "window_capture.h"

CaptureRequest g_capture_request;
