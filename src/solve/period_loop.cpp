// One solution run: load the series, read the coefficients, make the base
// pass, then solve each period by Gauss-Seidel passes until the check series
// settles, asking the operator when a period will not converge. Static
// simulation solves each period from the loaded, not the solved, lags.
#include "solve/period_loop.h"

#include <cassert>
#include <cmath>

#include "bank/bank_file.h"
#include "base/console.h"
#include "base/dates.h"
#include "base/exit.h"
#include "fixer/bank_report.h"
#include "solve/model.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"

namespace {

constexpr double kTolerance = 0.2;

bool stochastic() { return model.randomErrors == 1 || model.randomCoefficients == 1; }

// Swaps the current period of every series with its column of staticValues.
void exchangeStaticValues(int32_t t) {
    for (int32_t j = 0; j < model.seriesCount; ++j) {
        float held = model.series[j][t];
        model.series[j][t] = model.staticValues[j][t];
        model.staticValues[j][t] = held;
    }
}

// Passes until the period converges or the operator accepts it; false when a
// stochastic trial gives up.
bool solvePeriod() {
    while (!passConverged()) {
        ++model.iterationCount;
        if (!operatorDue()) continue;
        if (stochastic()) return false;
        printOut("\nIteration count = %d .", model.iterationCount);
        printOut(" More iterations? Go to next period? Exit? (m,g,e):");
        const int answer = readChar();
        // With the input at its end nobody can answer: the run ends as on 'e'.
        if (answer == 'e' || answer == EOF) endProcess(kExitOperatorEnded);
        if (answer == 'g') break;
    }
    return true;
}

}  // namespace

void stepDatesAtRunFrequency() {
    model.frequency = model.runFrequency;
}

void beginPeriod(int32_t t) {
    model.period = t;
    model.currentDate = nextDate(model.currentDate, model.frequency);
    model.iterationCount = 0;
    model.currentIndex = model.startIndex + t;
    // Every series' block reaches from its lags (never negative: a run with one
    // is refused before it starts) to periodCount, so t and t - 1 lie inside
    // each: checked once here rather than per series.
    assert(t >= 1 && t <= model.periodCount && model.series.size() == static_cast<size_t>(model.seriesCount));
    for (const FloatVector& v : model.series) {
        float* value = v.block + (t - v.lo);
        if (inMissingBand(*value)) *value = value[-1];
    }
}

bool operatorDue() {
    const int32_t limit = model.maxIterations > 0 ? model.maxIterations : 1;
    // Most periods converge long before the first question: no division for them.
    return model.iterationCount >= limit && model.iterationCount % limit == 0;
}

int passConverged() {
    const float before = model.series[kCheckSeries][model.period];
    evaluateModel();
    const float after = model.series[kCheckSeries][model.period];
    const double change = std::fabs(static_cast<double>(before) - after);
    // A check value that is undefined or infinite has not settled, whatever the change.
    if (!std::isfinite(after) || !(change <= kTolerance)) return 0;
    if (!model.maximize && !model.quietProgress) printOutFixed("cR        ", after, 8, 2, ", ");
    return 1;
}

void loadTrial(int32_t trial) {
    const bool progress = !model.quietProgress;
    if (progress && stochastic())
        printOut("\n\nLoading data for trial %d", trial);
    else if (progress)
        printOut("\n\nLoading data");
    if (!model.maximize && !showBankStatus(loadAllSeries())) endProcess(kExitSeriesNotLoaded);
    if (progress) printOut("\nData loaded; starting forecast");
    const bool staticRun = model.staticSimulation;
    if (staticRun)
        for (int32_t i = 0; i < model.seriesCount; ++i)
            for (int32_t t = 1; t < model.periodCount; ++t) model.staticValues[i][t] = model.series[i][t];

    model.period = 0;
    model.currentIndex = model.startIndex;
    model.currentDate = model.startDate;
    if (!model.maximize) readCoefficients();
}

int solveTrial() {
    const bool progress = !model.quietProgress;
    const bool staticRun = model.staticSimulation;
    model.maximize = false;
    if (progress) printOut("\n          ");
    passConverged();

    stepDatesAtRunFrequency();
    for (model.period = 1; model.period <= model.periodCount; ++model.period) {
        const int32_t t = model.period;
        beginPeriod(t);
        if (progress) printOutFixed("\n ", model.currentDate, 8, 3, " ");
        if (!solvePeriod()) return 0;
        if (staticRun && t < model.periodCount) exchangeStaticValues(t);
    }
    if (staticRun)
        for (int32_t t = 1; t < model.periodCount; ++t)
            for (int32_t i = 0; i < model.seriesCount; ++i) model.series[i][t] = model.staticValues[i][t];
    return 1;
}

int runTrial(int32_t trial) {
    loadTrial(trial);
    return solveTrial();
}
