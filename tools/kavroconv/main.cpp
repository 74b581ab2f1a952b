#include "kavroconv.h"

int main(int argc, char **argv)
{
    return RunKavroconv(argc, argv, stdout, stderr);
}
