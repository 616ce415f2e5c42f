// What the benchmarks count besides time: heap allocations of the whole
// process, model passes (calls of evaluateModel) and standard normal deviates
// drawn. The counts only grow; a benchmark takes the difference over its loop.
#pragma once

#include <cstdint>

#include "base/random.h"

struct Counts {
    int64_t allocations;
    int64_t passes;
    int64_t deviates;
};

Counts currentCounts();

// The model pass and the deviate themselves, without being counted.
void uncountedPass();
double uncountedDeviate(RandomState& r);
