#include "video_formats.h"
