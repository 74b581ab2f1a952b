// What kavrocap tells about itself. Platform-free.
#ifndef PUKAVRO_KAVROCAP_HELP_H
#define PUKAVRO_KAVROCAP_HELP_H

extern const char KAVROCAP_USAGE[];  // one line
extern const char KAVROCAP_HELP[];   // the whole --help text, usage line first

#endif
