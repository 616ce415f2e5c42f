// Solving the run once: loading, base pass, Gauss-Seidel passes per period.
#pragma once

#include <cstdint>

// 1 when every period was solved or accepted, 0 when a stochastic trial gave up.
int runTrial(int32_t trial);
// One pass of the model for model.period, then the test on the check series.
int passConverged();
