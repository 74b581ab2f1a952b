#include "answers.h"
