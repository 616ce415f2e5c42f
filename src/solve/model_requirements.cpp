// The model reads series 1..35, lags back to t-11 of series 3, and 13, 4 and 4
// coefficients of its three regressions. A smaller vorn.lag or heart.dim would
// make it read outside its tables, so such a model is refused before the run.
#include "solve/model_requirements.h"

#include "base/console.h"
#include "solve/regression_terms.h"
#include "state/model_state.h"

namespace {

struct LagRead {
    int series;
    int lag;
};
constexpr LagRead kLagsRead[] = {{2, 1}, {3, 11}, {4, 4}, {5, 1}, {10, 1}, {11, 4}};

}  // namespace

int minimumLag(int series) {
    for (const LagRead& read : kLagsRead)
        if (read.series == series) return read.lag;
    return 0;
}

int checkModelRequirements() {
    if (model.seriesCount < kModelSeriesRead) {
        printOut("\nThe model reads series 0 to %d, but vorn.lag declares only %d series.\n", kModelSeriesRead - 1,
                 model.seriesCount);
        return -1;
    }
    for (const LagRead& read : kLagsRead) {
        if (model.seriesLags[read.series] < read.lag) {
            printOut("\nThe model reads series %d back %d periods, but vorn.lag keeps %d lags for it.\n",
                     read.series, read.lag, model.seriesLags[read.series]);
            return -1;
        }
    }
    const int equations = kRegressionCount;
    if (model.equationCount < equations) {
        printOut("\nThe model has %d regression equations, but heart.dim describes only %d.\n", equations,
                 model.equationCount);
        return -1;
    }
    for (int e = 0; e < equations; ++e) {
        const int used = static_cast<int>(kRegressions[e].terms.size());
        if (model.coefCount[e] < used) {
            printOut("\nEquation %d of the model uses %d coefficients, but heart.dim gives it %d.\n", e + 1,
                     used, model.coefCount[e]);
            return -1;
        }
    }
    return 0;
}
