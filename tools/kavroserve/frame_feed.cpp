#include "frame_feed.h"
