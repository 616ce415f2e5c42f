// Every equation's estimates and statistics as one JSON document, for
// programs: numbers with all the digits a double needs to read back exactly,
// null where a statistic is not defined.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

namespace {

std::string number(double value) {
    return std::isfinite(value) ? formatted("%.17g", value) : "null";
}

// A JSON string: quotes, backslashes and control characters escaped.
std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            result += '\\';
            result += static_cast<char>(c);
        } else if (c < 0x20) {
            appendf(result, "\\u%04x", c);
        } else {
            result += static_cast<char>(c);
        }
    }
    return result + "\"";
}

std::string test(const TestResult& result) {
    return "{\"stat\": " + number(result.statistic) + ", \"p\": " + number(result.p) + "}";
}

void printTerms(const EstimatedEquation& equation) {
    const LeastSquaresFit& fit = equation.fit;
    const Inference& inference = equation.inference;
    const auto& terms = equation.regression->terms;
    for (size_t k = 0; k < terms.size(); ++k) {
        const auto term = std::find_if(terms.begin(), terms.end(),
                                       [k](const RegressionTerm& t) { return t.coefficient == static_cast<int>(k); });
        const auto i = static_cast<Eigen::Index>(k);
        const std::string series = term->series == kConstantTerm ? "null" : quoted(seriesName(term->series));
        const double t = fit.exact ? NAN : fit.coefficients(i) / fit.standardErrors(i);
        std::fprintf(toolOut,
                     "        {\"series\": %s, \"lag\": %d, \"coef\": %s, \"se\": %s, \"t\": %s, \"p\": %s, "
                     "\"ci95\": [%s, %s], \"se_hac\": %s}%s\n",
                     series.c_str(), term->lag, number(fit.coefficients(i)).c_str(),
                     number(fit.standardErrors(i)).c_str(), number(t).c_str(), number(inference.pValues(i)).c_str(),
                     number(inference.lower(i)).c_str(), number(inference.upper(i)).c_str(),
                     number(inference.hacErrors(i)).c_str(), k + 1 < terms.size() ? "," : "");
    }
}

void printEquation(const EstimatedEquation& equation, bool last) {
    const LeastSquaresFit& fit = equation.fit;
    const Inference& inference = equation.inference;
    std::fprintf(toolOut,
                 "    {\n      \"name\": %s,\n      \"method\": \"%s\",\n      \"n\": %d,\n      \"k\": %d,\n"
                 "      \"hac_lags\": %d,\n",
                 quoted(equation.name).c_str(), equation.method == Method::ar1 ? "ar1" : "ols",
                 static_cast<int>(fit.residuals.size()), static_cast<int>(fit.coefficients.size()), equation.hacLags);
    std::fputs("      \"terms\": [\n", toolOut);
    printTerms(equation);
    std::fputs("      ],\n", toolOut);
    const std::pair<const char*, double> statistics[] = {
        {"see", fit.see},          {"error_sd", equation.errorSee}, {"ssr", fit.ssr},
        {"r2", fit.rSquared},      {"r2_adj", fit.adjustedRSquared},
        {"dw", fit.durbinWatson},  {"rho", equation.rho},
        {"loglik", inference.logLikelihood}, {"aic", inference.aic},
        {"bic", inference.bic}};
    for (const auto& [name, value] : statistics)
        std::fprintf(toolOut, "      \"%s\": %s,\n", name, number(value).c_str());
    std::fprintf(toolOut, "      \"bg_lm4\": %s,\n      \"jb\": %s", test(inference.breuschGodfrey).c_str(),
                 test(inference.jarqueBera).c_str());
    if (!equation.lagSumTerms.empty())
        std::fprintf(toolOut, ",\n      \"lag_sum\": {\"coef\": %s, \"se\": %s}",
                     number(equation.lagSum.coefficient).c_str(), number(equation.lagSum.standardError).c_str());
    std::fprintf(toolOut, "\n    }%s\n", last ? "" : ",");
}

}  // namespace

void printJson(const std::vector<EstimatedEquation>& equations) {
    std::fputs("{\n  \"equations\": [\n", toolOut);
    for (size_t e = 0; e < equations.size(); ++e) printEquation(equations[e], e + 1 == equations.size());
    std::fputs("  ]\n}\n", toolOut);
}
