#include "status_page.h"
