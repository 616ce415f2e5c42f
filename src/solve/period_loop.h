// Solving the run once: loading, base pass, Gauss-Seidel passes per period.
#pragma once

#include <cstdint>

// Loads the series and puts heart.dat's coefficients into their tables (the
// optimiser's run keeps those it set), ready for solveTrial; a stochastic trial
// draws its random coefficients in between.
void loadTrial(int32_t trial);
// The base pass, then every period; 1 when every period was solved or
// accepted, 0 when a stochastic trial gave up.
int solveTrial();
// loadTrial, then solveTrial.
int runTrial(int32_t trial);
// One pass of the model for model.period, then the test on the check series.
int passConverged();

// Dates advance by one period of the run's own frequency (that of its dates),
// whatever series the fixer read last.
void stepDatesAtRunFrequency();

// Makes t the current period: its date, no passes yet, its bank index, and
// every value in the missing-value band replaced by the period before's.
void beginPeriod(int32_t t);
// True when the passes of the current period that did not converge call for
// the operator's question: every maxIterations of them (every one below 1).
bool operatorDue();
