#include "report.h"

#include "console.h"

void Report(FILE *err, const char *tool, const std::string &text)
{
    PrintLine(err, std::string(tool) + ": " + text);
}
