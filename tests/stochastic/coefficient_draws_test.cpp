// Random coefficients: each stochastic equation's coefficients, as heart.dat
// holds them, moved by its draw matrix times fresh deviates of model.random.
#include <string>
#include <vector>

#include "bank/bank_file.h"
#include "base/arrays.h"
#include "base/random.h"
#include "coefficients/coefficients.h"
#include "state/model_state.h"
#include "stochastic/coefficient_draws.h"
#include "support/harness.h"

namespace {

class CoefficientDraws : public ModelTest {
protected:
    // The first n deviates of a fresh stream from seed 1; the model is left to
    // draw from the same stream, its tables those of `dimensions` and its
    // coefficients those of `coefficients`.
    std::vector<float> drawnDeviates(int n, const std::string& dimensions, const std::string& coefficients) {
        RandomState stream{};
        stream.seed = 1;
        std::vector<float> z;
        for (int k = 0; k < n; ++k) z.push_back(static_cast<float>(normalDeviate(stream)));
        model.random.seed = 1;
        model.randomCoefficients = 1;
        writeFile("heart.dim", dimensions);
        writeFile("heart.dat", coefficients);
        model.equationCount = readEquationDimensions();
        EXPECT_EQ(allocateWorkspace().error, BankError::none);
        return z;
    }
};

TEST_F(CoefficientDraws, CoefficientsMoveByTheMatrixTimesDeviates) {
    const std::vector<float> z = drawnDeviates(4, "3\ns2\ns2\nx1\n",
                                               "first\ncoeff\n1 2\nrho = 0\nSEE = 1\n\n0 1\n0 0\n"
                                               "second\ncoeff\n5 6\nrho = 0\nSEE = 1\n\n2 0\n0.5 3\n"
                                               "plain\ncoeff\n9\n");
    readCoefficients();
    drawCoefficients();
    // Row i of the matrix meets the deviates in column order: M[i][k] * z[k].
    EXPECT_EQ(model.coef[0][0], static_cast<float>(1.0f + static_cast<double>(z[1])));
    EXPECT_EQ(model.coef[0][1], 2.0f);
    EXPECT_EQ(model.coef[1][0], static_cast<float>(5.0f + 2.0 * z[2]));
    const float half = static_cast<float>(0.5 * z[2] + 6.0f);
    EXPECT_EQ(model.coef[1][1], static_cast<float>(3.0 * z[3] + half));
    EXPECT_EQ(model.coef[2][0], 9.0f);  // ordinary equations are never drawn
}

TEST_F(CoefficientDraws, EachReadingDrawsAfreshAroundTheStoredValues) {
    const std::vector<float> z = drawnDeviates(2, "1\ns1\n", "only\ncoeff\n1\nrho = 0\nSEE = 1\n\n1\n");
    readCoefficients();
    drawCoefficients();
    EXPECT_EQ(model.coef[0][0], static_cast<float>(1.0 + z[0]));
    readCoefficients();
    drawCoefficients();
    EXPECT_EQ(model.coef[0][0], static_cast<float>(1.0 + z[1]));
}

TEST_F(CoefficientDraws, StochasticEquationWithoutCoefficientsDrawsNothing) {
    drawnDeviates(0, "2\ns0\nx1\n", "shock\ncoeff\n\nrho = 0.5\nSEE = 2\n\nimports\ncoeff\n7\n");
    readCoefficients();
    drawCoefficients();
    EXPECT_EQ(model.errorRho[0], 0.5f);
    EXPECT_EQ(model.errorSee[0], 2.0f);
    EXPECT_EQ(model.coef[1][0], 7.0f);
    EXPECT_FALSE(model.random.initialised);  // no deviate was taken
}

// The deviates' room, allocated after the matrix's row table and its 2 rows.
TEST_F(CoefficientDraws, NoMemoryForTheDeviatesEndsWithNine) {
    drawnDeviates(0, "1\ns2\n", "only\ncoeff\n1 2\nrho = 0\nSEE = 1\n\n1 0\n0 1\n");
    ConsoleCapture console;
    limitAllocations(3);
    const int code = exitCodeOf([] {
        readCoefficients();
        drawCoefficients();
    });
    limitAllocations(-1);
    EXPECT_EQ(code, 9);
    EXPECT_EQ(console.output(), "Not enough space.\n");
}

}  // namespace
