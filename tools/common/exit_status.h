// How every tool of ours ends, as its help tells. Never negative: a batch
// file's IF ERRORLEVEL 1 must see every failure.
#ifndef PUKAVRO_EXIT_STATUS_H
#define PUKAVRO_EXIT_STATUS_H

enum ExitStatus {
    EXIT_ALL_DONE = 0,     // every file made (or the help or version shown)
    EXIT_SOME_FAILED = 1,  // at least one failed, or existing files were refused
    EXIT_USAGE = 2,        // a wrong command line; nothing was touched
    EXIT_STOPPED = 3,      // Ctrl+C before the work was done
};

#endif
