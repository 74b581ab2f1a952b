// The process-wide state the capture worker reads, for test programs that
// have no main window of their own.
#include "app_state.h"

AppState g_app;
