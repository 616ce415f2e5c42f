// The model: 25 statements evaluated once for model.period.
#pragma once

#include "base/arrays.h"

void evaluateModel();
// stock[period] = (1 - rate) * stock[period - 1] + inflow; returns the stored value.
float accumulateStock(FloatVector& stock, float inflow, float rate);
