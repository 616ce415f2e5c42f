// One regression's dependent series and regressors over the sample, taken from
// the bank's history by the model's own list of terms, so the estimates belong
// to the equations vorn solves.
#include <algorithm>
#include <cmath>

#include "state/model_state.h"
#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

std::string dateText(int32_t index, const Sample& sample) {
    return periodText(bankCalendar(), index, sample.frequency);
}

const char* seriesName(int n) { return model.namePool.data() + model.nameOffsets[n]; }

namespace {

// The value of series n at bank period p; refuses a missing or non-finite one.
double valueAt(const ModelHistory& history, int n, int32_t p, const std::string& name, const Sample& sample) {
    const float value = history[static_cast<size_t>(n)][static_cast<size_t>(p)];
    if (value == kMissingValue)
        fail("series %d (%s) has no value at %s, which equation %s reads", n, seriesName(n),
             dateText(p, sample).c_str(), name.c_str());
    if (!std::isfinite(value))
        fail("series %d (%s) holds %g at %s, which equation %s reads", n, seriesName(n),
             static_cast<double>(value), dateText(p, sample).c_str(), name.c_str());
    return value;
}

}  // namespace

RegressionData buildRegression(const Regression& regression, const std::string& name,
                               const ModelHistory& history, const Sample& sample) {
    const RegressionTerm& deepest = *std::max_element(
        regression.terms.begin(), regression.terms.end(),
        [](const RegressionTerm& a, const RegressionTerm& b) { return a.lag < b.lag; });
    if (sample.from - deepest.lag < 0)
        fail("equation %s reads series %d (%s) %d periods back, so its sample cannot start before %s "
             "(the bank starts at %s)",
             name.c_str(), deepest.series, seriesName(deepest.series), deepest.lag,
             dateText(deepest.lag, sample).c_str(), dateText(0, sample).c_str());
    const Eigen::Index n = sample.to - sample.from + 1;
    const Eigen::Index k = static_cast<Eigen::Index>(regression.terms.size());
    if (n < k + 1)
        fail("equation %s has %d coefficients but the sample %s to %s holds only %d observations; it needs "
             "at least %d",
             name.c_str(), static_cast<int>(k), dateText(sample.from, sample).c_str(),
             dateText(sample.to, sample).c_str(), static_cast<int>(n), static_cast<int>(k + 1));

    RegressionData data{Eigen::VectorXd(n), Eigen::MatrixXd(n, k)};
    for (Eigen::Index row = 0; row < n; ++row) {
        const int32_t p = sample.from + static_cast<int32_t>(row);
        data.dependent(row) = valueAt(history, regression.dependent, p, name, sample);
        for (const RegressionTerm& term : regression.terms)
            data.regressors(row, term.coefficient) =
                term.series == kConstantTerm ? 1.0 : valueAt(history, term.series, p - term.lag, name, sample);
    }
    return data;
}
