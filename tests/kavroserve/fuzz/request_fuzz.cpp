// libFuzzer's entry: every input is a client's first bytes.
#include "request_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckRequestBytes(data, size);
    return 0;
}
