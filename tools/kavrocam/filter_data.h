// The FilterData value of each camera's entry: the filter described as
// DirectShow's filter mapper stores it (merit, one output pin of the
// capture category, the video types it offers), so programs that read
// the entry's merit or pins find what the filter is.
#ifndef PUKAVRO_FILTER_DATA_H
#define PUKAVRO_FILTER_DATA_H

#include <windows.h>

#include <vector>

std::vector<BYTE> KavrocamFilterData();

#endif
