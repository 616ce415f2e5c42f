// The trials of a stochastic run: each is loaded, given random coefficients
// when the run asks for them, and solved; every accepted trial is added into
// the sums of values and of squares from which the means and the standard
// deviations come.
#pragma once

#include <cstdint>

#include "base/arrays.h"

// The sums over the accepted trials, each value divided by num_draw as it is
// added, and the counts of trials made and discarded. The tables are released
// however the run ends.
struct TrialSums {
    DoubleMatrix means;    // series 0..seriesCount-1, periods 0..periodCount
    DoubleMatrix squares;  // the same, of squared values
    int32_t totalTrials = 0;
    int32_t discarded = 0;

    TrialSums() = default;
    ~TrialSums() {
        freeDoubleMatrix(means);
        freeDoubleMatrix(squares);
    }
    TrialSums(const TrialSums&) = delete;
    TrialSums& operator=(const TrialSums&) = delete;
};

// One trial of a stochastic run: loaded, its coefficients drawn when the run
// draws them, solved; 1 when it converged, 0 when it gave up.
int runStochasticTrial(int32_t trial);

// Zeroed tables for the sums; no memory for the means ends the run with exit
// code 3, for the squares with 4.
void allocateTrialSums(TrialSums& sums);

// Solves trials until num_draw of them have converged, adding each into the
// sums (and the trials file, when one is kept), then leaves the means in
// model.series. The run gives up, with exit code 3, when 10 num_draw + 100
// trials have failed to converge.
void runTrials(TrialSums& sums);
