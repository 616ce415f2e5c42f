// vornfit: estimates the model's three regressions from a bank's history, by
// least squares or with AR(1) errors, prints their tables (or one JSON
// document) and can write their coefficients, rho, SEE and draw matrices in
// heart.dat's layout and their fitted values and residuals into the bank.
// Shared pieces of the tool.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bank/series_by_name.h"
#include "solve/regression_terms.h"
#include "common/tool_kit.h"

// Every model series of the bank (positions 0 to 35), whole records.
using ModelHistory = std::vector<ValueTable>;

// The sample of all three regressions, as bank period indexes.
struct Sample {
    int32_t from;
    int32_t to;
    int16_t frequency;
};

// One regression's data over the sample: the dependent series and one column
// per coefficient (column k multiplies coef[k]; a constant is a column of ones).
struct RegressionData {
    Eigen::VectorXd dependent;
    Eigen::MatrixXd regressors;
};

// The text of a bank period at the sample's frequency.
std::string dateText(int32_t index, const Sample& sample);
// The bank's name of model series n.
const char* seriesName(int n);

// Checks that the regression's lags reach no further back than the bank's
// first period, and that every value it reads in the sample is there; refuses
// (exit 1, one line naming the series and the date) otherwise.
RegressionData buildRegression(const Regression& regression, const std::string& name,
                               const ModelHistory& history, const Sample& sample);

// Ordinary least squares y = X b + e, with the statistics of an estimation
// package. The sums of squares about the mean (centred) when the regression
// has a constant, about zero otherwise.
// Statistics that are not defined for the data (an exact fit, a constant
// dependent series) are NaN.
struct LeastSquaresFit {
    Eigen::VectorXd coefficients;
    Eigen::VectorXd standardErrors;
    Eigen::VectorXd residuals{};
    Eigen::MatrixXd xtxInverse;  // (X'X)^-1; the coefficient covariance is SEE^2 times it
    Eigen::MatrixXd drawMatrix;  // lower Cholesky factor of SEE^2 (X'X)^-1
    double ssr = 0;              // sum of squared residuals
    double see = 0;              // sqrt(ssr / (n - k))
    double rSquared = 0;         // NaN when the dependent series has no variation to explain
    double adjustedRSquared = 0;
    double durbinWatson = 0;  // NaN for an exact fit
    double rho = 0;           // sum e_t e_t-1 / sum e_t^2; 0 for an exact fit
    double meanDependent = 0;
    double sdDependent = 0;
    bool centred = true;
    // The residuals are rounding noise beside the dependent series: tests on
    // them and t statistics mean nothing.
    bool exact = false;
};

// Smallest pivot of the QR factorisation of the column-scaled regressors,
// relative to the largest, that still counts as full rank.
inline constexpr double kRankTolerance = 1e-10;
// Largest residual, relative to the largest value of the dependent series, of
// a fit that counts as exact: far below what 32-bit data can explain.
inline constexpr double kExactFitTolerance = 1e-9;

// Fits y on X (n > k rows). False when X is singular or numerically singular:
// a zero column, or a rank below k at kRankTolerance after scaling every
// column to unit length.
bool fitLeastSquares(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, bool centred, LeastSquaresFit& fit);

// Regression with AR(1) errors u_t = rho u_t-1 + v_t by iterated
// Cochrane-Orcutt: from the least-squares residuals, rho is estimated from the
// residuals (Yule-Walker: mean removed, lag-1 products over n - 1 against
// squares over n), the regression refitted on y_t - rho y_t-1 and x_t - rho
// x_t-1 (the first observation dropped), until rho changes by less than
// kAr1Tolerance, at most kAr1MaxIterations fits.
inline constexpr double kAr1Tolerance = 1e-8;
inline constexpr int kAr1MaxIterations = 200;
struct Ar1Fit {
    LeastSquaresFit fit;  // of the quasi-differenced regression: its residuals are the innovations v
    double rho = 0;       // the rho of the final fit's quasi-differences
    int iterations = 0;
    double lastChange = 0;  // how much rho moved at the last iteration
};
enum class Ar1Outcome { converged, singular, notConverged };
Ar1Outcome fitAr1(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, bool centred, const LeastSquaresFit& ols,
                  Ar1Fit& result);

// A test statistic and its p-value; NaN when the test is not defined.
struct TestResult {
    double statistic;
    double p;
};

// Inference and diagnostics of one fit, computed as estimation packages do.
struct Inference {
    Eigen::VectorXd pValues;    // two-sided, Student's t with n - k degrees of freedom
    Eigen::VectorXd lower;      // 95% interval
    Eigen::VectorXd upper;
    Eigen::VectorXd hacErrors;  // Newey-West (Bartlett kernel, no small-sample correction)
    double logLikelihood;       // Gaussian, at the estimates
    double aic;                 // -2 logL + 2k
    double bic;                 // -2 logL + k ln n
    TestResult breuschGodfrey;  // LM with kBreuschGodfreyLags lags, presample residuals zero
    TestResult jarqueBera;
};
inline constexpr int kBreuschGodfreyLags = 4;

// The default number of lags of the HAC standard errors for n observations:
// floor(4 (n / 100)^(2/9)).
int defaultHacLags(Eigen::Index n);
Inference inferFrom(const Eigen::MatrixXd& x, const LeastSquaresFit& fit, int hacLags);

// The sum of some of an equation's coefficients and its standard error from the
// coefficient covariance.
struct LagSum {
    double coefficient;
    double standardError;
};
LagSum sumOfCoefficients(const LeastSquaresFit& fit, const std::vector<int>& coefficients);

enum class Method { leastSquares, ar1 };

// The output-change series whose lags drive investment, and the sums of their
// coefficients from which a shock sets off cycles in the model's forecasts, and
// growing ones: found by simulating the model with the example's shares and
// the lag profile of its coefficients (docs/model.md).
inline constexpr int kOutputChangeSeries = 3;
inline constexpr double kCyclingLagSum = 1.0;
inline constexpr double kExplosiveLagSum = 2.45;

// One estimated equation, as printed and written. With AR(1) errors, `fit` is
// the fit of the quasi-differenced regression; `fitted` and `residuals` are
// always x b and y - x b over the whole sample.
struct EstimatedEquation {
    std::string name;
    char kind;
    const Regression* regression;
    LeastSquaresFit fit;
    Method method = Method::leastSquares;
    double rho = 0;  // written as the error's rho: the residuals' rho, or AR(1)'s
    // Written as SEE, the standard deviation of the error u that vorn draws as
    // u_t = rho u_t-1 + sqrt(1 - rho^2) SEE z_t: the SEE of the regression, or
    // for AR(1) errors that of the innovations over sqrt(1 - rho^2).
    double errorSee = 0;
    int iterations = 0;
    int hacLags = 0;
    Inference inference{};
    std::vector<int> lagSumTerms{};  // coefficients of the output-change lags (investment), else empty
    LagSum lagSum{};
    Eigen::VectorXd fitted{};
    Eigen::VectorXd residuals{};
};

// Estimates equation e over the sample by `method`, refusing (exit 1, one line)
// singular regressors, a sample too short, an AR(1) estimate that does not
// settle, and a --hac-lags text (when given) that is not a number below the
// regression's observations.
EstimatedEquation estimateEquation(int e, const std::string& name, const ModelHistory& history, const Sample& sample,
                                   Method method, const std::string* hacLags);

// The regression table of one equation, on the tool's output.
void printRegressionTable(const EstimatedEquation& equation, const Sample& sample);
// Every equation as one JSON document, on the tool's output.
void printJson(const std::vector<EstimatedEquation>& equations);
// "n/a" for a value that is not finite, else the number in printf's `format`,
// or in %.*g when that would not fit `width` characters.
std::string columnNumber(double value, int width, int decimals);

// Writes NAME:fitted and NAME:resid of every equation over the sample into the
// open bank (NAME the dependent series' name), through its journal; refuses
// (exit 1) before the first write when the index has no room for the new names.
void writeResidualSeries(const std::vector<EstimatedEquation>& equations, const Sample& sample,
                         const std::string& bank);

// Runs `read`, a reader of the coefficient files, with its messages held;
// when it ends the process, fails with `what` (when given) and the reader's
// message as one line, its mentions of heart.dat naming `path`, the file read.
void readWithOneLine(const std::function<void()>& read, const std::string& path, const char* what);

// Names of the equations: the first word of each block of an existing
// coefficient file, or eq0, eq1, ... when `path` is empty.
std::vector<std::string> equationNames(const std::string& path);

// Stages every equation's block for `path` (see stageWholeFile), to be committed
// once the report is out; refuses (exit 1) values that do not fit a float and
// files that cannot be written, leaving `path` as it was.
void stageEstimates(const std::string& path, const std::vector<EstimatedEquation>& equations, StagedFile& staged);
