// The optimiser's quiet period loop: no dates or check values printed, no
// loading, no random draws, always a dynamic simulation, and a prompt of its
// own when a period will not converge.
#include "optimiser/objective.h"

#include "base/console.h"
#include "base/exit.h"
#include "solve/period_loop.h"
#include "state/model_state.h"

namespace {

// Passes until the current period converges; the operator may only go on or end.
void iteratePeriod() {
    while (!passConverged()) {
        ++model.iterationCount;
        if (!operatorDue()) continue;
        printOut("\nIteration count = %d .", model.iterationCount);
        printOut(" Model is not converging.\nWould you like to try more iterations? Or Exit to check "
                 "step sizes? (m,e):");
        const int key = readKey();
        // With the input at its end nobody can answer: the run ends as on 'e'.
        if (key == 'e' || key == EOF) endProcess(kExitOperatorEnded);
    }
}

}  // namespace

void restoreSavedSeries() {
    for (int32_t s = 0; s < model.seriesCount; ++s)
        for (int32_t t = 0; t <= model.periodCount; ++t) model.series[s][t] = model.savedSeries[s][t];
}

float evaluateObjective(const FloatVector& point) {
    for (int p = 0; p < model.parameterCount; ++p) {
        model.coef[model.parameterEquation[p]][model.parameterCoefficient[p]] = point[p + 1];
    }
    restoreSavedSeries();
    model.period = 0;
    model.currentIndex = model.startIndex;
    model.currentDate = model.startDate;
    passConverged();
    for (model.period = 1; model.period <= model.periodCount; ++model.period) {
        beginPeriod(model.period);
        iteratePeriod();
    }
    return model.series[model.objectiveSeries][model.periodCount];
}
