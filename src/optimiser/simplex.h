// Downhill simplex search over the optimiser's parameters: lower objective
// values are better. P holds n + 1 vertices (rows 1..n+1, columns 1..n), Y
// their objective values.
#pragma once

#include "base/arrays.h"

// The objective: a point with coordinates 1..n to its value.
using ObjectiveFunction = float (*)(const FloatVector&);

// Moves the simplex until the spread of Y falls below ftol or the highest value
// stalls for 10 n iterations; then row 1 of P is the best vertex and Y[1] its
// value. False (nothing moved further) when a work vector cannot be had.
bool simplexSearch(FloatMatrix& P, FloatVector& Y, int n, float ftol, ObjectiveFunction f);

// Tries the point (1 - factor) c + factor P[hi], c the centroid of the other
// vertices, into trialValue; replaces vertex hi when the point is lower. False
// when the trial point cannot be had.
bool simplexTry(FloatMatrix& P, FloatVector& Y, FloatVector& columnSum, int n,
                ObjectiveFunction f, int hi, float factor, float& trialValue);
