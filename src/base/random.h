// The random stream of stochastic runs: a linear congruential integer
// generator, a 97-entry shuffle table over it, and normal deviates by the
// polar method, produced in pairs. The whole state is one record that the
// caller owns and passes in, so the stream has no home of its own.
#pragma once

#include <cstdint>

struct RandomState {
    // Negative: the generator seeds itself from it at the next draw, after
    // which it is 1 (and the stream is never seeded again).
    int16_t seed;
    uint32_t integerState;
    bool initialised;
    float table[98];  // entries 1..97
    float lastValue;
    float scale;
    bool spareReady;
    float spareDeviate;
};

// Integer generator: seeding takes one step at once and discards it.
void seedIntegerGenerator(RandomState& r, int16_t seed);
// Next output, 0..32767: bits 16 to 30 of state * 22695477 + 1.
int32_t nextIntegerOutput(RandomState& r);

// Uniform deviate in [0, 1), a multiple of 1/32768. At the first call, or when
// r.seed is negative, the generator is seeded from r.seed, which then becomes 1.
float uniformDeviate(RandomState& r);

// Standard normal deviate; the second of each pair is saved for the next call.
double normalDeviate(RandomState& r);
