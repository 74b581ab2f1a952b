/* The simulated camera's noise: with Noise set, every sample of every frame
   it sends gets a uniform draw from -Noise to +Noise added (clamped to
   0...255), from a generator of our own seeded by NoiseSeed and the frame's
   number. Not a camera's noise: it checks the arithmetic of averaging, whose
   gain on uniform noise is known. Header-only C, for the driver and the
   tests alike. */
#ifndef PUKAVRO_SIM_NOISE_H
#define PUKAVRO_SIM_NOISE_H

#include <stdint.h>

#define EZUSBSIM_MOST_NOISE 127

/* The same 32-bit generator as the seeded faults; each frame starts its own
   sequence, so frame n's noise does not depend on what came before. */
static inline void EzusbsimAddNoise(uint8_t *frame, uint32_t bytes, uint32_t amplitude,
                                    uint32_t seed, uint32_t frame_number)
{
    uint32_t state = seed ^ (frame_number * 2654435761u);
    uint32_t i;

    if (amplitude > EZUSBSIM_MOST_NOISE)
        amplitude = EZUSBSIM_MOST_NOISE;
    for (i = 0; i < bytes; i++) {
        int32_t value;

        state = state * 1664525u + 1013904223u;
        value = (int32_t)frame[i] + (int32_t)((state >> 16) * (2 * amplitude + 1) >> 16)
                - (int32_t)amplitude;
        frame[i] = (uint8_t)(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

#endif
