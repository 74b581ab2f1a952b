#include "mjpeg_stream.h"
