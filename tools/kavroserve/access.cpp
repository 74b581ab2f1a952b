#include "access.h"
