// Ordinary least squares through a column-pivoting Householder QR of the
// regressors, each scaled to unit length first so that the rank test does not
// depend on the units of the series. The coefficient covariance comes from the
// inverse of R, its draw matrix from a Cholesky factorisation.
#include <cmath>
#include <limits>

#include "vornfit/vornfit.h"

bool fitLeastSquares(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, bool centred, LeastSquaresFit& fit) {
    const Eigen::Index n = x.rows();
    const Eigen::Index k = x.cols();
    const Eigen::VectorXd lengths = x.colwise().norm().transpose();
    if ((lengths.array() == 0.0).any() || !lengths.allFinite()) return false;
    const Eigen::MatrixXd scaled = x * lengths.cwiseInverse().asDiagonal();

    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(n, k);
    qr.setThreshold(kRankTolerance);
    qr.compute(scaled);
    if (qr.rank() < k) return false;

    fit.coefficients = qr.solve(y).cwiseQuotient(lengths);
    fit.residuals = y - x * fit.coefficients;
    fit.ssr = fit.residuals.squaredNorm();
    fit.see = std::sqrt(fit.ssr / static_cast<double>(n - k));

    // (X'X)^-1 = D^-1 P R^-1 R^-T P' D^-1 for X D^-1 P = Q R.
    const Eigen::MatrixXd rInverse = qr.matrixR()
                                         .topLeftCorner(k, k)
                                         .triangularView<Eigen::Upper>()
                                         .solve(Eigen::MatrixXd::Identity(k, k));
    Eigen::MatrixXd scaledInverse = qr.colsPermutation() * (rInverse * rInverse.transpose()) *
                                    qr.colsPermutation().transpose();
    fit.xtxInverse = lengths.cwiseInverse().asDiagonal() * scaledInverse * lengths.cwiseInverse().asDiagonal();
    const Eigen::MatrixXd covariance = fit.see * fit.see * fit.xtxInverse;
    fit.standardErrors = covariance.diagonal().cwiseSqrt();
    if (fit.see == 0.0) {
        fit.drawMatrix = Eigen::MatrixXd::Zero(k, k);  // an exact fit leaves nothing to draw
    } else {
        Eigen::LLT<Eigen::MatrixXd> cholesky(covariance);
        if (cholesky.info() != Eigen::Success) return false;
        fit.drawMatrix = cholesky.matrixL();
    }

    fit.centred = centred;
    fit.meanDependent = y.mean();
    fit.sdDependent = n > 1 ? std::sqrt((y.array() - fit.meanDependent).square().sum() / static_cast<double>(n - 1))
                            : 0.0;
    const double total = centred ? (y.array() - fit.meanDependent).square().sum() : y.squaredNorm();
    const double freedom = static_cast<double>(centred ? n - 1 : n) / static_cast<double>(n - k);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // A dependent series without variation leaves nothing for R-squared to measure.
    fit.rSquared = total == 0.0 ? nan : 1.0 - fit.ssr / total;
    fit.adjustedRSquared = 1.0 - (1.0 - fit.rSquared) * freedom;

    const Eigen::VectorXd later = fit.residuals.tail(n - 1);
    const Eigen::VectorXd earlier = fit.residuals.head(n - 1);
    // Residuals within rounding of the dependent series are no residuals to
    // test: no Durbin-Watson statistic, and rho 0.
    fit.exact = fit.residuals.cwiseAbs().maxCoeff() <= kExactFitTolerance * y.cwiseAbs().maxCoeff();
    fit.durbinWatson = fit.exact ? nan : (later - earlier).squaredNorm() / fit.ssr;
    fit.rho = fit.exact ? 0.0 : later.dot(earlier) / fit.ssr;
    return true;
}
