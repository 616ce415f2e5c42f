// vornfit: estimates the model's three regressions by least squares from a
// bank's history and writes their coefficients, rho, SEE and draw matrices in
// heart.dat's layout. Shared pieces of the tool.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <string>
#include <vector>

#include "bank/series_by_name.h"
#include "solve/regression_terms.h"
#include "vornbank/vornbank.h"

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
struct LeastSquaresFit {
    Eigen::VectorXd coefficients;
    Eigen::VectorXd standardErrors;
    Eigen::VectorXd residuals;
    Eigen::MatrixXd drawMatrix;  // lower Cholesky factor of SEE^2 (X'X)^-1
    double ssr = 0;              // sum of squared residuals
    double see = 0;              // sqrt(ssr / (n - k))
    double rSquared = 0;
    double adjustedRSquared = 0;
    double durbinWatson = 0;  // NaN for an exact fit
    double rho = 0;           // sum e_t e_t-1 / sum e_t^2; 0 for an exact fit
    double meanDependent = 0;
    double sdDependent = 0;
    bool centred = true;
};

// Smallest pivot of the QR factorisation of the column-scaled regressors,
// relative to the largest, that still counts as full rank.
inline constexpr double kRankTolerance = 1e-10;

// Fits y on X (n > k rows). False when X is singular or numerically singular:
// a zero column, or a rank below k at kRankTolerance after scaling every
// column to unit length.
bool fitLeastSquares(const Eigen::MatrixXd& x, const Eigen::VectorXd& y, bool centred, LeastSquaresFit& fit);

// One estimated equation, as printed and written.
struct EstimatedEquation {
    std::string name;
    char kind;
    const Regression* regression;
    LeastSquaresFit fit;
};

// The regression table of one equation, on the tool's output.
void printRegressionTable(const EstimatedEquation& equation, const Sample& sample);

// Names of the equations: the first word of each block of an existing
// coefficient file, or eq0, eq1, ... when `path` is empty.
std::vector<std::string> equationNames(const std::string& path);

// Stages every equation's block for `path` (see stageFile), to be committed
// once the report is out; refuses (exit 1) values that do not fit a float and
// files that cannot be written, leaving `path` as it was.
void stageEstimates(const std::string& path, const std::vector<EstimatedEquation>& equations, StagedFile& staged);
