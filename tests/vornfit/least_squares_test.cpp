// vornfit's least squares against answers worked out by hand, its rank test,
// and its coefficient file read back by vorn's and the optimiser's readers.
#include <cmath>
#include <vector>

#include "bank/bank_file.h"  // allocateWorkspace
#include "optimiser/spec_file.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "support/harness.h"
#include "vornfit/vornfit.h"

namespace {

Eigen::MatrixXd columns(const std::vector<std::vector<double>>& byColumn) {
    Eigen::MatrixXd x(static_cast<Eigen::Index>(byColumn[0].size()), static_cast<Eigen::Index>(byColumn.size()));
    for (size_t k = 0; k < byColumn.size(); ++k)
        x.col(static_cast<Eigen::Index>(k)) = Eigen::Map<const Eigen::VectorXd>(byColumn[k].data(), x.rows());
    return x;
}

struct HandWorked {
    const char* what;
    std::vector<std::vector<double>> x;
    std::vector<double> y;
    bool centred;
    std::vector<double> coefficients, standardErrors;
    double see, rSquared, adjustedRSquared, durbinWatson, rho;
    std::vector<double> drawMatrix;  // row by row
};

// y = 2.2 + 0.6 x on x = 1..5: residuals -0.8, 0.6, 1, -0.6, -0.2, SSR 2.4, s^2 0.8,
// Sxx 10; Var b = 0.08, Var a = 0.8 (1/5 + 9/10) = 0.88, Cov = -0.24. Through the
// origin: b = 13/14 on x = 1, 2, 3 and y = 1, 3, 2, SSR 378/196 against an uncentred 14.
const HandWorked kCases[] = {
    {"line", {{1, 1, 1, 1, 1}, {1, 2, 3, 4, 5}}, {2, 4, 5, 4, 5}, true, {2.2, 0.6},
     {std::sqrt(0.88), std::sqrt(0.08)}, std::sqrt(0.8), 0.6, 1 - 0.4 * 4 / 3, 4.84 / 2.4, -0.36 / 2.4,
     {std::sqrt(0.88), 0, -0.24 / std::sqrt(0.88), std::sqrt(0.08 - 0.0576 / 0.88)}},
    {"origin", {{1, 2, 3}}, {1, 3, 2}, false, {13.0 / 14}, {std::sqrt(378.0 / 196 / 2 / 14)},
     std::sqrt(378.0 / 196 / 2), 1 - 378.0 / 196 / 14, 1 - (378.0 / 196 / 14) * 3 / 2,
     (15.0 * 15 + 27.0 * 27) / 378, (16.0 - 176) / 378, {std::sqrt(378.0 / 196 / 2 / 14)}},
};

TEST(LeastSquares, AgreesWithHandWorkedAnswers) {
    for (const HandWorked& c : kCases) {
        SCOPED_TRACE(c.what);
        LeastSquaresFit fit;
        ASSERT_TRUE(fitLeastSquares(columns(c.x), columns({c.y}).col(0), c.centred, fit));
        const auto k = static_cast<Eigen::Index>(c.coefficients.size());
        for (Eigen::Index i = 0; i < k; ++i) {
            EXPECT_NEAR(fit.coefficients(i), c.coefficients[static_cast<size_t>(i)], 1e-12);
            EXPECT_NEAR(fit.standardErrors(i), c.standardErrors[static_cast<size_t>(i)], 1e-12);
            for (Eigen::Index j = 0; j < k; ++j)
                EXPECT_NEAR(fit.drawMatrix(i, j), c.drawMatrix[static_cast<size_t>(i * k + j)], 1e-12);
        }
        EXPECT_NEAR(fit.see, c.see, 1e-12);
        EXPECT_NEAR(fit.rSquared, c.rSquared, 1e-12);
        EXPECT_NEAR(fit.adjustedRSquared, c.adjustedRSquared, 1e-12);
        EXPECT_NEAR(fit.durbinWatson, c.durbinWatson, 1e-12);
        EXPECT_NEAR(fit.rho, c.rho, 1e-12);
    }
}

TEST(LeastSquares, RefusesSingularRegressorsWhateverTheirUnits) {
    const std::vector<double> x{1, 2, 3, 4, 5, 6};
    const std::vector<double> ones(6, 1.0);
    std::vector<double> nearlyX, millions, bumpy{0.3, -1.2, 2.2, 0.1, -0.7, 1.9};
    for (double v : x) nearlyX.push_back(v * (1 + 1e-14) + 1e-13 * v * v);
    for (double v : x) millions.push_back(1e6 + v);
    struct Case {
        const char* what;
        std::vector<std::vector<double>> x;
        bool fits;
    };
    const Case cases[] = {
        {"a column twice", {ones, x, x}, false},
        {"a zero column", {ones, std::vector<double>(6, 0.0), x}, false},
        {"a column within rounding of another", {ones, x, nearlyX}, false},
        {"a constant in other units", {ones, x, std::vector<double>(6, 250.0)}, false},
        {"large values beside a constant", {ones, millions, bumpy}, true},
        {"tiny values beside large ones", {ones, millions, {1e-9, 3e-9, 2e-9, 5e-9, 4e-9, 7e-9}}, true},
    };
    const Eigen::VectorXd y = columns({{1, 4, 2, 8, 5, 7}}).col(0);
    for (const Case& c : cases) {
        LeastSquaresFit fit;
        EXPECT_EQ(fitLeastSquares(columns(c.x), y, true, fit), c.fits) << c.what;
    }
}

TEST(RegressionTable, NumbersKeepToTheirColumn) {
    const struct {
        double value;
        int width, decimals;
        const char* text;
    } cases[] = {
        {0.5082, 9, 4, "   0.5082"},           {-48.89507, 12, 6, "  -48.895070"},
        {NAN, 9, 4, "      n/a"},              {-INFINITY, 14, 6, "           n/a"},
        {1.234567e16, 9, 4, " 1.23e+16"},      {-3.5e-300, 12, 6, "   -0.000000"},
        {123456789.5, 12, 6, " 1.23457e+08"},   {0.200191, 0, 6, "0.200191"},
        {1e70, 0, 2, "10000000000000000725314363815292351261583744096465219555182101554790400.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(columnNumber(c.value, c.width, c.decimals), c.text) << c.value;
}

class EstimatesFile : public ModelTest {};

TEST_F(EstimatesFile, ReadsBackAsTheSameFloatsThroughBothReaders) {
    writeFile("heart.dim", "3\ns13\ns4\nx4\n");
    model.equationCount = readEquationDimensions();
    ASSERT_EQ(allocateWorkspace().error, BankError::none);
    // Values whose shortest decimal forms need all nine digits, exponents or signs.
    std::vector<EstimatedEquation> equations;
    for (int e = 0; e < 3; ++e) {
        const Eigen::Index n = model.coefCount[e];
        EstimatedEquation equation{"eq" + std::to_string(e), model.equationKind[e], &kRegressions[e], {}};
        equation.fit.coefficients = Eigen::VectorXd::LinSpaced(n, -1.0 / 3, 12345.678 / (e + 1));
        equation.fit.coefficients(0) = 2.5e-7 * (e + 1);
        equation.rho = 0.1 * e - 1.0 / 7;
        equation.errorSee = 3.0 / 7 * (e + 1);
        equation.fit.drawMatrix = (Eigen::MatrixXd::Random(n, n) * 1e-3).triangularView<Eigen::Lower>();
        equations.push_back(std::move(equation));
    }
    {
        StagedFile staged;
        stageEstimates("heart.dat", equations, staged);
        ASSERT_TRUE(commitStagedFile(staged).ok());
    }

    auto expectStored = [&](int e) {
        const EstimatedEquation& equation = equations[static_cast<size_t>(e)];
        for (int k = 0; k < model.coefCount[e]; ++k)
            EXPECT_EQ(model.coef[e][k], static_cast<float>(equation.fit.coefficients(k))) << e << " " << k;
        if (model.equationKind[e] != 's') return;
        EXPECT_EQ(model.errorRho[e], static_cast<float>(equation.rho));
        EXPECT_EQ(model.errorSee[e], static_cast<float>(equation.errorSee));
    };
    readCoefficients();
    for (int e = 0; e < 3; ++e) expectStored(e);
    std::fclose(model.coefficientStream);
    model.coefficientStream = nullptr;
    for (int e = 0; e < 3; ++e)
        for (int k = 0; k < model.coefCount[e]; ++k) model.coef[e][k] = 0.0f;
    ASSERT_TRUE(readOptimiserSpec());
    EXPECT_EQ(model.equationNames, (std::vector<std::string>{"eq0", "eq1", "eq2"}));
    for (int e = 0; e < 3; ++e) expectStored(e);

    CoefficientBlock block;
    readCoefficientBlock(rewoundCoefficientFile(), 0, block);
    for (int i = 0; i < 13; ++i)
        for (int k = 0; k < 13; ++k) EXPECT_EQ(block.matrix[i][k], static_cast<float>(equations[0].fit.drawMatrix(i, k)));
}

}  // namespace
