#include "routes.h"
