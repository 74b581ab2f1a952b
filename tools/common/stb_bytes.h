// Where stb's writers put what they encode: appended to a byte vector
// (context), for the PNG and JPEG encoders alike.
#ifndef PUKAVRO_STB_BYTES_H
#define PUKAVRO_STB_BYTES_H

#include <stdint.h>

#include <vector>

void AppendStbPiece(void *context, void *data, int size);

#endif
