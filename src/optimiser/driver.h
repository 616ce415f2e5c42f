// The optimisation run: probing around the coefficients, simplex searches
// until probing finds nothing lower, the report in Changes.chg and the new
// coefficient file.
#pragma once

#include "optimiser/simplex.h"
#include "base/arrays.h"

// The specification file read against the equations' names (equationNames)
// and the new coefficient file's name checked, before anything is written.
// False after a message.
bool checkOptimiserFiles();

// Loads the data, reads the specification, searches, reports and leaves the
// new coefficients in coef and the loaded series restored. False on failure.
bool runOptimiser();

// Probes each parameter around the base point in row 1 of P (rows 2..n+1 must
// hold copies of it): vertex i moves coordinate i-1 by the parameter's step, or
// back, or a tenth of a step, and Y holds the vertices' values under f.
void probeVertices(FloatMatrix& P, FloatVector& Y, FloatVector& probePoint, int n, ObjectiveFunction f);

// The test that ends the probing cycles: false when the lowest probe value m
// is clearly below the search's optimum y1, by the relative margin 0.0001.
bool probingImproved(float m, float y1);
