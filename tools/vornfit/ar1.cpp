// Iterated Cochrane-Orcutt: the regression refitted on quasi-differences with
// the rho of the latest residuals until rho settles.
#include <cmath>

#include "vornfit/vornfit.h"

namespace {

// Lag-1 autocorrelation of the residuals about their mean, the products
// averaged over n - 1 and the squares over n (the Yule-Walker estimate).
double yuleWalkerRho(const Eigen::VectorXd& residuals) {
    const Eigen::Index n = residuals.size();
    const Eigen::VectorXd deviation = residuals.array() - residuals.mean();
    const double variance = deviation.squaredNorm() / static_cast<double>(n);
    const double covariance = deviation.tail(n - 1).dot(deviation.head(n - 1)) / static_cast<double>(n - 1);
    return covariance / variance;
}

}  // namespace

Ar1Outcome fitAr1(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, bool centred, const LeastSquaresFit& ols,
                  Ar1Fit& result) {
    const Eigen::Index n = x.rows();
    double rho = yuleWalkerRho(ols.residuals);
    for (int iteration = 1; iteration <= kAr1MaxIterations; ++iteration) {
        const Eigen::MatrixXd xs = x.bottomRows(n - 1) - rho * x.topRows(n - 1);
        const Eigen::VectorXd ys = y.tail(n - 1) - rho * y.head(n - 1);
        if (!std::isfinite(rho) || !fitLeastSquares(xs, ys, centred, result.fit)) return Ar1Outcome::singular;
        const double next = yuleWalkerRho(y - x * result.fit.coefficients);
        result.rho = rho;
        result.iterations = iteration;
        result.lastChange = std::abs(next - rho);
        if (result.lastChange < kAr1Tolerance) return Ar1Outcome::converged;
        rho = next;
    }
    return Ar1Outcome::notConverged;
}
