// One request's bytes through the reader and the decision, with what must
// hold of whatever comes back; aborts when something does not. The fuzz
// target and the corpus replay run the same body.
#ifndef PUKAVRO_TESTS_KAVROSERVE_REQUEST_CHECK_H
#define PUKAVRO_TESTS_KAVROSERVE_REQUEST_CHECK_H

#include <stddef.h>
#include <stdint.h>

void CheckRequestBytes(const uint8_t *data, size_t size);

#endif
