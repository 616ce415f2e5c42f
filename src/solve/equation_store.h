// Where a regression's value becomes the stored value of its dependent series:
// random equation errors and the series' fix.
#pragma once

#include <cstdint>

void storeEquationResult(int32_t seriesIndex, float value, int32_t equation);
