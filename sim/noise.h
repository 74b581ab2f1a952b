/* The simulated camera's noise: with Noise set, every sample of every frame
   it sends gets a uniform draw from -Noise to +Noise added (clamped to
   0...255), drawn by a hash of our own from NoiseSeed, the frame's number
   and the sample's place. Not a camera's noise: it checks the arithmetic of
   averaging, whose gain on uniform noise is known. Header-only C, for the
   driver and the tests alike. */
#ifndef PUKAVRO_SIM_NOISE_H
#define PUKAVRO_SIM_NOISE_H

#include <stdint.h>

#define EZUSBSIM_MOST_NOISE 127

/* A 32-bit integer hash (xor-shifts and multiplies): every sample's draw
   comes from the seed, the frame's number and the sample's place alone.
   Consecutive states of one linear congruential generator, seeded per
   frame, would make some samples' draws nearly the same from frame to
   frame, which averaging could not take away. */
static inline uint32_t EzusbsimNoiseHash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

static inline void EzusbsimAddNoise(uint8_t *frame, uint32_t bytes, uint32_t amplitude,
                                    uint32_t seed, uint32_t frame_number)
{
    uint32_t base = EzusbsimNoiseHash(seed ^ EzusbsimNoiseHash(frame_number));
    uint32_t i;

    if (amplitude > EZUSBSIM_MOST_NOISE)
        amplitude = EZUSBSIM_MOST_NOISE;
    for (i = 0; i < bytes; i++) {
        uint32_t draw = EzusbsimNoiseHash(base + i);
        int32_t value = (int32_t)frame[i] + (int32_t)((draw >> 16) * (2 * amplitude + 1) >> 16)
                        - (int32_t)amplitude;

        frame[i] = (uint8_t)(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

#endif
