// One equation estimated by the method asked for: the regression built from the
// bank's history, least squares, with AR(1) errors when asked, the inference
// and, for investment, the sum of its output-change lags.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "state/model_state.h"
#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

namespace {

// The number --hac-lags gives: digits only, below the observations of the regressions.
int hacLagsOption(const std::string& text, Eigen::Index observations) {
    char* end = nullptr;
    errno = 0;
    const long lags = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || errno == ERANGE)
        fail("--hac-lags %s is not a whole number from 0 up", text.c_str());
    if (lags >= observations)
        fail("--hac-lags %s is not below the %d observations of the regressions", text.c_str(),
             static_cast<int>(observations));
    return static_cast<int>(lags);
}

// Replaces the least-squares fit by the AR(1) one; the quasi-differenced regressors.
Eigen::MatrixXd estimateAr1(EstimatedEquation& equation, const RegressionData& data, bool centred,
                            const std::string& period) {
    const std::string& name = equation.name;
    const Eigen::Index n = data.regressors.rows(), k = data.regressors.cols();
    if (n - 1 < k + 1)
        fail("equation %s has %d coefficients, and with AR(1) errors the sample %s keeps only %d observations "
             "after the first; it needs at least %d",
             name.c_str(), static_cast<int>(k), period.c_str(), static_cast<int>(n - 1), static_cast<int>(k + 1));
    if (equation.fit.exact)
        fail("equation %s fits %s exactly: it has no errors to estimate AR(1) errors from", name.c_str(),
             period.c_str());
    Ar1Fit ar1;
    switch (fitAr1(data.regressors, data.dependent, centred, equation.fit, ar1)) {
    case Ar1Outcome::converged:
        break;
    case Ar1Outcome::singular:
        fail("the quasi-differenced regressors of equation %s are linearly dependent (singular or numerically "
             "singular) over %s",
             name.c_str(), period.c_str());
    case Ar1Outcome::notConverged:
        fail("the AR(1) estimate of equation %s did not converge: rho still moved by %g after %d iterations",
             name.c_str(), ar1.lastChange, kAr1MaxIterations);
    }
    if (std::abs(ar1.rho) >= 1.0)
        fail("the AR(1) estimate of equation %s has rho %g: errors that never die out", name.c_str(), ar1.rho);
    equation.fit = std::move(ar1.fit);
    equation.rho = ar1.rho;
    equation.errorSee = equation.fit.see / std::sqrt(1.0 - ar1.rho * ar1.rho);
    equation.iterations = ar1.iterations;
    return data.regressors.bottomRows(n - 1) - equation.rho * data.regressors.topRows(n - 1);
}

}  // namespace

EstimatedEquation estimateEquation(int e, const std::string& name, const ModelHistory& history, const Sample& sample,
                                   Method method, const std::string* hacLags) {
    EstimatedEquation equation{name, model.equationKind[e], &kRegressions[e], {}};
    const RegressionData data = buildRegression(*equation.regression, name, history, sample);
    const auto& terms = equation.regression->terms;
    const bool centred = std::any_of(terms.begin(), terms.end(),
                                     [](const RegressionTerm& term) { return term.series == kConstantTerm; });
    const std::string period = dateText(sample.from, sample) + " to " + dateText(sample.to, sample);
    if (!fitLeastSquares(data.regressors, data.dependent, centred, equation.fit))
        fail("the regressors of equation %s are linearly dependent (singular or numerically singular) over %s",
             name.c_str(), period.c_str());
    equation.method = method;
    equation.rho = equation.fit.rho;
    equation.errorSee = equation.fit.see;
    Eigen::MatrixXd regressors = data.regressors;
    if (method == Method::ar1) regressors = estimateAr1(equation, data, centred, period);

    equation.fitted = data.regressors * equation.fit.coefficients;
    equation.residuals = data.dependent - equation.fitted;
    const Eigen::Index observations = regressors.rows();
    equation.hacLags = hacLags ? hacLagsOption(*hacLags, observations) : defaultHacLags(observations);
    equation.inference = inferFrom(regressors, equation.fit, equation.hacLags);
    for (const RegressionTerm& term : terms)
        if (term.series == kOutputChangeSeries && term.lag > 0) equation.lagSumTerms.push_back(term.coefficient);
    if (!equation.lagSumTerms.empty()) equation.lagSum = sumOfCoefficients(equation.fit, equation.lagSumTerms);
    return equation;
}

