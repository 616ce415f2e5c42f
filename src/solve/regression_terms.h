// The model's three regressions as data: for each, its dependent series and
// its terms (coefficient, series, lag) in the order evaluateModel adds them.
// The estimation tool builds its regressors from these lists; a model test
// checks that summing them reproduces the values evaluateModel computes.
#pragma once

#include <iterator>
#include <span>

inline constexpr int kConstantTerm = -1;  // the series of a constant term

struct RegressionTerm {
    int coefficient;  // index into coef[equation]
    int series;       // series number, or kConstantTerm
    int lag;          // periods back from the current period
};

struct Regression {
    int dependent;                          // series the store writes
    std::span<const RegressionTerm> terms;  // in the model's order of addition
};

// Investment: c0[1] s6 + c0[0] + c0[2] s3(t-1) + ... + c0[12] s3(t-11).
inline constexpr RegressionTerm kInvestmentTerms[] = {
    {1, 6, 0},  {0, kConstantTerm, 0}, {2, 3, 1},  {3, 3, 2},  {4, 3, 3},   {5, 3, 4},  {6, 3, 5},
    {7, 3, 6},  {8, 3, 7},             {9, 3, 8},  {10, 3, 9}, {11, 3, 10}, {12, 3, 11}};
// Inventory investment, no constant: c1[0] s11(t-1) + ... + c1[3] s11(t-4).
inline constexpr RegressionTerm kInventoryTerms[] = {{0, 11, 1}, {1, 11, 2}, {2, 11, 3}, {3, 11, 4}};
// Imports: c2[1] s8 + c2[0] + c2[2] s13 + c2[3] s7.
inline constexpr RegressionTerm kImportTerms[] = {{1, 8, 0}, {0, kConstantTerm, 0}, {2, 13, 0}, {3, 7, 0}};

inline constexpr Regression kRegressions[] = {
    {4, kInvestmentTerms}, {12, kInventoryTerms}, {15, kImportTerms}};
inline constexpr int kRegressionCount = static_cast<int>(std::size(kRegressions));
