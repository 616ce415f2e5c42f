// The sigma bank (sigma.bnk and sigma.ind), which receives a stochastic run's
// standard deviations: a copy of the workspace bank made at start-up, its
// series overwritten at the end.
#pragma once

#include <string>

#include "stochastic/trial_loop.h"

// Copies bws.bnk and bws.ind into the sigma bank before the fixer runs, its
// change paired with that of the workspace bank `workspaceDataName` so that the
// two banks end the run as one. A workspace bank that is the sigma bank ends
// the run with exit code 1, a copy that fails with 5.
void copySigmaBank(const std::string& workspaceDataName);

// Turns the mean squares of `sums` into standard deviations (0 below a
// variance of 0.0001), writes them into the sigma bank with the title "Sigma
// bank with N trials." and shows the counts of trials.
void writeSigmaBank(TrialSums& sums);
