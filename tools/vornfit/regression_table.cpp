// The regression table of one equation as estimation packages print it: the
// dependent series and sample, one row per coefficient (the coefficient's
// place in heart.dat, the series and lag it multiplies, estimate, standard
// error, t statistic), then the fit statistics in two columns.
#include <algorithm>
#include <cstdio>

#include "vornbank/vornbank.h"
#include "vornfit/vornfit.h"

namespace {

const char* const kRule = "---------------------------------------------------------------------------\n";

// "gdp_change(-3) s3", "deprec s6" or "constant".
std::string termLabel(const RegressionTerm& term) {
    if (term.series == kConstantTerm) return "constant";
    std::string label = seriesName(term.series);
    if (term.lag > 0) label += "(-" + std::to_string(term.lag) + ")";
    return label + " s" + std::to_string(term.series);
}

void printStatistics(const char* leftName, double left, const char* rightName, double right) {
    std::fprintf(toolOut, "%-24s%14.6f    %-22s%14.6f\n", leftName, left, rightName, right);
}

}  // namespace

void printRegressionTable(const EstimatedEquation& equation, const Sample& sample) {
    const LeastSquaresFit& fit = equation.fit;
    const Regression& regression = *equation.regression;
    const int n = static_cast<int>(fit.residuals.size());
    std::fprintf(toolOut, "Equation %s%s\n", equation.name.c_str(),
                 equation.kind == 's' ? " (stochastic)" : "");
    std::fprintf(toolOut, "Dependent variable: %s s%d\n", seriesName(regression.dependent),
                 regression.dependent);
    std::fprintf(toolOut, "Method: least squares\n");
    std::fprintf(toolOut, "Sample: %s to %s\n", dateText(sample.from, sample).c_str(),
                 dateText(sample.to, sample).c_str());
    std::fprintf(toolOut, "Included observations: %d\n\n", n);
    std::fprintf(toolOut, "%-6s%-26s%15s%15s%13s\n", "", "Variable", "Coefficient", "Std. error", "t-Statistic");
    std::fputs(kRule, toolOut);
    for (size_t k = 0; k < regression.terms.size(); ++k) {
        // Rows in coefficient order, the order of heart.dat.
        const auto term = std::find_if(regression.terms.begin(), regression.terms.end(),
                                       [k](const RegressionTerm& t) { return t.coefficient == static_cast<int>(k); });
        const auto i = static_cast<Eigen::Index>(k);
        const std::string place = "c[" + std::to_string(k) + "]";
        std::fprintf(toolOut, "%-6s%-26s%15.6f%15.6f%13.4f\n", place.c_str(), termLabel(*term).c_str(),
                     fit.coefficients(i), fit.standardErrors(i), fit.coefficients(i) / fit.standardErrors(i));
    }
    std::fputs(kRule, toolOut);
    const char* const rSquaredName = fit.centred ? "R-squared" : "R-squared (uncentred)";
    const char* const adjustedName = fit.centred ? "Adjusted R-squared" : "Adjusted R-sq. (unc.)";
    printStatistics(rSquaredName, fit.rSquared, "Mean dependent var", fit.meanDependent);
    printStatistics(adjustedName, fit.adjustedRSquared, "S.D. dependent var", fit.sdDependent);
    printStatistics("S.E. of regression", fit.see, "Sum squared resid", fit.ssr);
    printStatistics("Durbin-Watson stat", fit.durbinWatson, "Residual rho", fit.rho);
    std::fputs("\n", toolOut);
}
