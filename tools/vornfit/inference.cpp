// Inference and diagnostics of a least-squares fit: p-values and intervals from
// Student's t, Newey-West standard errors, the Gaussian log-likelihood with
// its information criteria, the Breusch-Godfrey test for serial correlation
// and the Jarque-Bera test for normality. The distributions are Boost.Math's.
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <numbers>

#include "vornfit/vornfit.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double chiSquaredTail(double statistic, int freedom) {
    if (!std::isfinite(statistic)) return kNaN;
    return boost::math::cdf(boost::math::complement(boost::math::chi_squared(freedom), statistic));
}

// Sum over t of x_t e_t (x_t e_t)' plus the Bartlett-weighted autocovariances
// up to `lags`, sandwiched by (X'X)^-1.
Eigen::VectorXd hacErrors(const Eigen::MatrixXd& x, const LeastSquaresFit& fit, int lags) {
    const Eigen::Index n = x.rows();
    const Eigen::MatrixXd scores = x.array().colwise() * fit.residuals.array();
    Eigen::MatrixXd meat = scores.transpose() * scores;
    for (int lag = 1; lag <= lags && lag < n; ++lag) {
        const Eigen::MatrixXd gamma = scores.bottomRows(n - lag).transpose() * scores.topRows(n - lag);
        meat += (1.0 - lag / (lags + 1.0)) * (gamma + gamma.transpose());
    }
    return (fit.xtxInverse * meat * fit.xtxInverse).diagonal().cwiseSqrt();
}

// n R^2 of the residuals on the regressors, a constant and their own lags
// 1..kBreuschGodfreyLags (zero before the sample); chi-squared with that many
// degrees of freedom.
TestResult breuschGodfrey(const Eigen::MatrixXd& x, const LeastSquaresFit& fit) {
    const Eigen::Index n = x.rows();
    const Eigen::Index constant = fit.centred ? 0 : 1;  // a constant the regressors lack
    const Eigen::Index columns = x.cols() + constant + kBreuschGodfreyLags;
    if (fit.exact || n <= columns) return {kNaN, kNaN};
    Eigen::MatrixXd auxiliary = Eigen::MatrixXd::Zero(n, columns);
    auxiliary.leftCols(x.cols()) = x;
    if (constant) auxiliary.col(x.cols()).setOnes();
    for (Eigen::Index lag = 1; lag <= kBreuschGodfreyLags; ++lag)
        auxiliary.col(x.cols() + constant + lag - 1).tail(n - lag) = fit.residuals.head(n - lag);
    LeastSquaresFit auxiliaryFit;
    if (!fitLeastSquares(auxiliary, fit.residuals, true, auxiliaryFit) || std::isnan(auxiliaryFit.rSquared))
        return {kNaN, kNaN};
    const double lm = static_cast<double>(n) * auxiliaryFit.rSquared;
    return {lm, chiSquaredTail(lm, kBreuschGodfreyLags)};
}

// n/6 (S^2 + (K - 3)^2 / 4) from the skewness S and kurtosis K of the
// residuals about their mean; chi-squared with 2 degrees of freedom.
TestResult jarqueBera(const LeastSquaresFit& fit) {
    if (fit.exact) return {kNaN, kNaN};
    const double n = static_cast<double>(fit.residuals.size());
    const Eigen::ArrayXd deviation = fit.residuals.array() - fit.residuals.mean();
    const double m2 = deviation.square().sum() / n;
    const double m3 = deviation.cube().sum() / n;
    const double m4 = deviation.square().square().sum() / n;
    const double skewness = m3 / std::pow(m2, 1.5);
    const double kurtosis = m4 / (m2 * m2);
    const double jb = n / 6.0 * (skewness * skewness + (kurtosis - 3.0) * (kurtosis - 3.0) / 4.0);
    return {jb, chiSquaredTail(jb, 2)};
}

}  // namespace

int defaultHacLags(Eigen::Index n) {
    return static_cast<int>(std::floor(4.0 * std::pow(static_cast<double>(n) / 100.0, 2.0 / 9.0)));
}

Inference inferFrom(const Eigen::MatrixXd& x, const LeastSquaresFit& fit, int hacLags) {
    const Eigen::Index n = x.rows();
    const Eigen::Index k = x.cols();
    const boost::math::students_t t(static_cast<double>(n - k));
    const double critical = boost::math::quantile(boost::math::complement(t, 0.025));
    Inference result;
    result.pValues.resize(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        const double statistic = fit.coefficients(i) / fit.standardErrors(i);
        result.pValues(i) = fit.exact || !std::isfinite(statistic)
                                ? kNaN
                                : 2.0 * boost::math::cdf(boost::math::complement(t, std::abs(statistic)));
    }
    result.lower = fit.coefficients - critical * fit.standardErrors;
    result.upper = fit.coefficients + critical * fit.standardErrors;
    result.hacErrors = hacErrors(x, fit, hacLags);

    const double observations = static_cast<double>(n);
    result.logLikelihood = fit.exact ? kNaN
                                     : -observations / 2.0 *
                                           (std::log(2.0 * std::numbers::pi) + std::log(fit.ssr / observations) + 1.0);
    result.aic = -2.0 * result.logLikelihood + 2.0 * static_cast<double>(k);
    result.bic = -2.0 * result.logLikelihood + static_cast<double>(k) * std::log(observations);
    result.breuschGodfrey = breuschGodfrey(x, fit);
    result.jarqueBera = jarqueBera(fit);
    return result;
}

LagSum sumOfCoefficients(const LeastSquaresFit& fit, const std::vector<int>& coefficients) {
    Eigen::VectorXd weights = Eigen::VectorXd::Zero(fit.coefficients.size());
    for (int k : coefficients) weights(k) = 1.0;
    const double variance = fit.see * fit.see * weights.dot(fit.xtxInverse * weights);
    return {weights.dot(fit.coefficients), std::sqrt(variance)};
}
