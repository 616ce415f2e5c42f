// The stochastic run's loop over trials, with its progress line and its sums.
#include "stochastic/trial_loop.h"

#include "base/console.h"
#include "base/exit.h"
#include "solve/period_loop.h"
#include "state/model_state.h"
#include "stochastic/coefficient_draws.h"
#include "stochastic/progress.h"
#include "stochastic/trials_file.h"

namespace {

// A stochastic run gives up when this many of its trials have failed to converge.
int32_t discardLimit() { return 10 * int32_t{model.drawCount} + 100; }

void clearAccumulator(DoubleMatrix& m) {
    for (int32_t s = m.rlo; s <= m.rhi; ++s)
        for (int32_t t = m[s].lo; t <= m[s].hi; ++t) m[s][t] = 0.0;
}

// The progress line is cleared however the trials end.
struct ProgressLineShown {
    explicit ProgressLineShown(int32_t wanted) { startProgressLine(wanted); }
    ~ProgressLineShown() { clearProgressLine(); }
    ProgressLineShown(const ProgressLineShown&) = delete;
    ProgressLineShown& operator=(const ProgressLineShown&) = delete;
};

// Row by row: every element's sums are its own, whatever the order.
void addTrial(TrialSums& sums) {
    const double draws = model.drawCount;
    for (int32_t s = 0; s < model.seriesCount; ++s) {
        const float* trial = &model.series[s][0];
        double* mean = &sums.means[s][0];
        double* square = &sums.squares[s][0];
        for (int32_t t = 0; t <= model.periodCount; ++t) {
            const double x = trial[t];
            mean[t] = mean[t] + x / draws;
            square[t] = square[t] + x * x / draws;
        }
    }
}

}  // namespace

int runStochasticTrial(int32_t trial) {
    loadTrial(trial);
    if (model.randomCoefficients == 1) drawCoefficients();
    return solveTrial();
}

void allocateTrialSums(TrialSums& sums) {
    sums.means = allocDoubleMatrix(0, model.seriesCount - 1, 0, model.periodCount);
    if (!sums.means) endProcess(kExitNoMemoryForMeans);
    clearAccumulator(sums.means);
    sums.squares = allocDoubleMatrix(0, model.seriesCount - 1, 0, model.periodCount);
    if (!sums.squares) endProcess(kExitNoMemoryForSquares);
    clearAccumulator(sums.squares);
}

void runTrials(TrialSums& sums) {
    if (model.clockSeed >= 0)
        printOut("\nSeed %d (from the clock); give %d as the seventh word to repeat this run.\n", model.clockSeed,
                 model.clockSeed);
    sums.totalTrials = 0;
    sums.discarded = 0;
    int32_t accepted = 0;
    const bool keepTrials = trialsFileOpen();
    ProgressLineShown progress(model.drawCount);
    while (accepted < model.drawCount) {
        ++sums.totalTrials;
        if (runStochasticTrial(sums.totalTrials) == 0) {
            updateProgressLine(accepted, sums.discarded + 1);
            if (++sums.discarded >= discardLimit()) {
                clearProgressLine();
                printOut("\nGiving up: %d of %d trials did not converge (%d accepted of %d wanted).\n",
                         sums.discarded, sums.totalTrials, accepted, model.drawCount);
                endProcess(kExitStochasticGaveUp);
            }
            continue;
        }
        addTrial(sums);
        if (keepTrials) writeTrial();
        ++accepted;
        updateProgressLine(accepted, sums.discarded);
    }
    for (int32_t t = 0; t <= model.periodCount; ++t)
        for (int32_t s = 0; s < model.seriesCount; ++s) model.series[s][t] = static_cast<float>(sums.means[s][t]);
}
