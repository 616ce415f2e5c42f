// Linear interpolation over runs of zeros between non-zero values; a missing
// value marker ends the filling.
#pragma once

#include <cstdint>

void fillGaps(float* values, int32_t count);
// Fills the gap after index j, if any; returns where the next call starts
// (count when nothing more is to be filled).
int32_t fillNextGap(float* values, int32_t j, int32_t count);
