#include "request_reader.h"
