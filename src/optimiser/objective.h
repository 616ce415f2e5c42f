// One objective evaluation: the model solved quietly over every period from the
// saved starting data with a point's coefficient values.
#pragma once

#include "base/arrays.h"

// Puts point[p + 1] into each parameter's coefficient, solves periods
// 0..periodCount from savedSeries and returns the objective series' value in
// the last period. Asks the operator when a period will not converge; 'e'
// ends the run with exit code 3.
float evaluateObjective(const FloatVector& point);

// Every series over periods 0..periodCount back to its value in savedSeries;
// the lag slots before period 0 are not touched.
void restoreSavedSeries();
