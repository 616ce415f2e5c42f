// The regression table of one equation as estimation packages print it: the
// dependent series, method and sample, one row per coefficient (the
// coefficient's place in heart.dat, the series and lag it multiplies,
// estimate, standard error, t statistic, p-value, 95% interval and the HAC
// standard error), then the fit statistics and tests in two columns and, for
// investment, the sum of its output-change lags.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

namespace {

const char* const kRule =
    "---------------------------------------------------------------------------------------------------------\n";

// "gdp_change(-3) s3", "deprec s6" or "constant".
std::string termLabel(const RegressionTerm& term) {
    if (term.series == kConstantTerm) return "constant";
    std::string label = seriesName(term.series);
    if (term.lag > 0) label += "(-" + std::to_string(term.lag) + ")";
    return label + " s" + std::to_string(term.series);
}

// One row of the statistics, two columns or (without a right name) one.
void printStatistics(const char* leftName, double left, const char* rightName = nullptr, double right = 0) {
    std::fprintf(toolOut, "%-24s%14s", leftName, columnNumber(left, 14, 6).c_str());
    if (rightName) std::fprintf(toolOut, "    %-22s%14s", rightName, columnNumber(right, 14, 6).c_str());
    std::fputs("\n", toolOut);
}

// The sum of investment's output-change lags, and what it means for the model.
void printLagSum(const EstimatedEquation& equation) {
    const double sum = equation.lagSum.coefficient;
    std::fprintf(toolOut, "Sum of the %zu output-change lags: %s (std. error %s)\n", equation.lagSumTerms.size(),
                 columnNumber(sum, 0, 6).c_str(), columnNumber(equation.lagSum.standardError, 0, 6).c_str());
    std::fprintf(toolOut, "  A lasting rise in output of one unit adds %.2f units of investment over the next %zu "
                 "quarters:\n  ", sum, equation.lagSumTerms.size());
    if (sum < kCyclingLagSum)
        std::fprintf(toolOut, "below %g, a shock to a forecast dies out after one overshoot", kCyclingLagSum);
    else if (sum < kExplosiveLagSum)
        std::fprintf(toolOut, "from %g to %g, a shock to a forecast sets off cycles that die out", kCyclingLagSum,
                     kExplosiveLagSum);
    else
        std::fprintf(toolOut, "from %g on, a shock to a forecast sets off growing cycles: it booms and crashes",
                     kExplosiveLagSum);
    std::fputs(" (docs/model.md)\n", toolOut);
}

}  // namespace

std::string columnNumber(double value, int width, int decimals) {
    if (!std::isfinite(value)) return formatted("%*s", width, "n/a");
    std::string text = formatted("%*.*f", width, decimals, value);
    // Too long for the column: as many significant digits as it holds.
    for (int digits = width - 6; static_cast<int>(text.size()) > width && digits > 0; --digits)
        text = formatted("%*.*g", width, digits, value);
    return text;
}

void printRegressionTable(const EstimatedEquation& equation, const Sample& sample) {
    const LeastSquaresFit& fit = equation.fit;
    const Inference& inference = equation.inference;
    const Regression& regression = *equation.regression;
    const int n = static_cast<int>(fit.residuals.size());
    const bool ar1 = equation.method == Method::ar1;
    std::fprintf(toolOut, "Equation %s%s\n", equation.name.c_str(), equation.kind == 's' ? " (stochastic)" : "");
    std::fprintf(toolOut, "Dependent variable: %s s%d\n", seriesName(regression.dependent), regression.dependent);
    if (ar1)
        std::fprintf(toolOut, "Method: least squares with AR(1) errors, iterated Cochrane-Orcutt (%d iterations)\n",
                     equation.iterations);
    else
        std::fprintf(toolOut, "Method: least squares\n");
    std::fprintf(toolOut, "Sample: %s to %s\n", dateText(sample.from, sample).c_str(),
                 dateText(sample.to, sample).c_str());
    std::fprintf(toolOut, "Included observations: %d%s\n", n, ar1 ? " (the first quasi-differenced away)" : "");
    std::fprintf(toolOut, "HAC standard errors: Newey-West, Bartlett kernel, %d lags\n\n", equation.hacLags);
    std::fprintf(toolOut, "%-6s%-22s%12s%12s%9s%8s%24s%12s\n", "", "Variable", "Coefficient", "Std. error",
                 "t-Stat.", "Prob.", "95% interval      ", "HAC s.e.");
    std::fputs(kRule, toolOut);
    for (size_t k = 0; k < regression.terms.size(); ++k) {
        // Rows in coefficient order, the order of heart.dat.
        const auto term = std::find_if(regression.terms.begin(), regression.terms.end(),
                                       [k](const RegressionTerm& t) { return t.coefficient == static_cast<int>(k); });
        const auto i = static_cast<Eigen::Index>(k);
        const std::string place = "c[" + std::to_string(k) + "]";
        const double t = fit.exact ? NAN : fit.coefficients(i) / fit.standardErrors(i);
        std::fprintf(toolOut, "%-6s%-22s%s%s%s%s%s%s%s\n", place.c_str(), termLabel(*term).c_str(),
                     columnNumber(fit.coefficients(i), 12, 6).c_str(),
                     columnNumber(fit.standardErrors(i), 12, 6).c_str(), columnNumber(t, 9, 4).c_str(),
                     columnNumber(inference.pValues(i), 8, 4).c_str(), columnNumber(inference.lower(i), 12, 6).c_str(),
                     columnNumber(inference.upper(i), 12, 6).c_str(), columnNumber(inference.hacErrors(i), 12, 6).c_str());
    }
    std::fputs(kRule, toolOut);
    const char* const rSquaredName = fit.centred ? "R-squared" : "R-squared (uncentred)";
    const char* const adjustedName = fit.centred ? "Adjusted R-squared" : "Adjusted R-sq. (unc.)";
    printStatistics(rSquaredName, fit.rSquared, "Mean dependent var", fit.meanDependent);
    printStatistics(adjustedName, fit.adjustedRSquared, "S.D. dependent var", fit.sdDependent);
    printStatistics("S.E. of regression", fit.see, "Sum squared resid", fit.ssr);
    printStatistics("Durbin-Watson stat", fit.durbinWatson, ar1 ? "AR(1) rho" : "Residual rho", equation.rho);
    printStatistics("Akaike info criterion", inference.aic, "Schwarz criterion", inference.bic);
    if (ar1)
        printStatistics("Log likelihood", inference.logLikelihood, "S.D. of the AR(1) error", equation.errorSee);
    else
        printStatistics("Log likelihood", inference.logLikelihood);
    printStatistics("Breusch-Godfrey LM(4)", inference.breuschGodfrey.statistic, "Prob. chi-squared(4)",
                    inference.breuschGodfrey.p);
    printStatistics("Jarque-Bera", inference.jarqueBera.statistic, "Prob. chi-squared(2)", inference.jarqueBera.p);
    if (!equation.lagSumTerms.empty()) {
        std::fputs("\n", toolOut);
        printLagSum(equation);
    }
    std::fputs("\n", toolOut);
}
