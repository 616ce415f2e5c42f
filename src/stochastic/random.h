// The process-wide random stream of stochastic runs: a linear congruential
// integer generator, a 97-entry shuffle table over it, and normal deviates by
// the polar method, produced in pairs.
#pragma once

#include <cstdint>

// Integer generator: seeding takes one step at once and discards it.
void seedIntegerGenerator(int16_t seed);
// Next output, 0..32767: bits 16 to 30 of state * 22695477 + 1.
int32_t nextIntegerOutput();

// Uniform deviate in [0, 1), a multiple of 1/32768. At the first call, or when
// model.rngSeed is negative, the generator is seeded from rngSeed, which then becomes 1.
float uniformDeviate();

// Standard normal deviate; the second of each pair is saved for the next call.
double normalDeviate();
