// The model's 25 statements against values worked out by hand.
#include <utility>
#include <vector>

#include "solve/model.h"
#include "solve/regression_terms.h"
#include "solve/solve_fixture.h"
#include "state/model_state.h"

namespace {

class ModelEquations : public SolveTest {
protected:
    // Period 1 of a one-period model; exact binary fractions keep the hand sums exact.
    void SetUp() override {
        SolveTest::SetUp();
        makeModel(1);
        model.period = 1;
        model.currentIndex = kStart + 1;
        at(2, 0) = 100.0f;
        at(4, -3) = 8.0f;
        at(5, 0) = 200.0f;
        at(10, 0) = 70.0f;
        const std::pair<int, float> current[] = {{1, 2.0f},    {2, 110.0f},   {7, 50.0f},    {8, 20.0f},
                                                 {9, 10.0f},   {18, 0.25f},   {19, 0.5f},    {21, 0.125f},
                                                 {24, 0.25f},  {26, 3.0f},    {29, 0.125f},  {31, 0.0625f},
                                                 {33, 0.03125f}};
        for (const auto& [series, value] : current) at(series, 1) = value;
    }
    float& at(int series, int t) { return model.series[series][t]; }
    float value(int series) { return at(series, 1); }
};

TEST_F(ModelEquations, ValuesForCoefficientSettings) {
    struct Coefficient {
        int equation, index;
        float value;
    };
    struct Case {
        std::vector<Coefficient> coefficients;
        std::vector<std::pair<int, float>> expected;  // series, value at period 1
    };
    std::vector<Case> cases = {
        // All coefficients zero. s5 = 0.95 * 200 + 8 rounded to a float; s15 is the
        // identity's (50 + 0 + 20) * 0.25 over the regression's 0.
        {{},
         {{3, 10.0f},   {5, 198.0f},   {6, 9.9f},    {4, 0.0f},    {10, 80.0f},    {11, 10.0f},
          {12, 0.0f},   {13, 0.0f},    {14, 0.0f},   {16, 0.0f},   {17, 160.0f},   {15, 17.5f},
          {2, 62.5f},   {20, 80.0f},   {22, 20.0f},  {23, 60.0f},  {25, 15.0f},    {27, 6.0f},
          {28, 51.0f},  {30, 6.375f},  {32, 3.1875f}, {34, 1.59375f}, {35, 39.84375f}, {7, 19.921875f}}},
        // Investment: total investment and final sales read the stored value.
        {{{0, 0, 0.5f}}, {{4, 0.5f}, {13, 0.5f}, {10, 80.5f}}},
        {{{0, 1, 0.5f}}, {{4, 9.9f * 0.5f}, {13, 9.9f * 0.5f}, {10, 80.0f + 9.9f * 0.5f}}},
        // Nominal imports s16 are the regression's value times price 2, with s7 as
        // the previous pass left it (50); s15 is the identity's in every case.
        {{{2, 0, 0.5f}}, {{16, 1.0f}, {15, 17.5f}}},
        {{{2, 1, 0.5f}}, {{16, 20.0f}, {15, 17.5f}}},
        {{{2, 3, 0.5f}}, {{16, 50.0f}, {15, 17.5f}}},
        {{{0, 0, 4.0f}, {2, 2, 0.5f}}, {{16, 4.0f}}},  // total investment 4 for the s13 term
        // Imports and output are assigned twice: s16 from the regression's 10, s17 and
        // s20 from the first output 50 + 20 - 10 + 10, s2 again from the identity's s15.
        {{{2, 0, 10.0f}}, {{16, 20.0f}, {17, 140.0f}, {20, 70.0f}, {15, 17.5f}, {2, 62.5f}}},
    };
    for (int k = 1; k <= 11; ++k)  // s3(t - k) = 10k
        cases.push_back({{{0, k + 1, 0.5f}}, {{4, 5.0f * k}, {13, 5.0f * k}, {10, 80.0f + 5.0f * k}}});
    for (int k = 1; k <= 4; ++k)  // s11(t - k) = 100k
        cases.push_back({{{1, k - 1, 0.5f}}, {{12, 50.0f * k}, {13, 50.0f * k}}});
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        SetUp();
        for (int k = 1; k <= 11; ++k) at(3, 1 - k) = 10.0f * k;
        for (int k = 1; k <= 4; ++k) at(11, 1 - k) = 100.0f * k;
        for (const Coefficient& c : cases[i].coefficients) model.coef[c.equation][c.index] = c.value;
        evaluateModel();
        for (const auto& [series, expected] : cases[i].expected) EXPECT_EQ(value(series), expected) << series;
    }
}

// The estimation tool's term lists, summed in their order with the example's
// coefficients, give exactly what the model hands to the store.
TEST_F(ModelEquations, RegressionTermsReproduceTheModelsValues) {
    const std::vector<std::vector<float>> coefficients = {
        {20.0f, 0.9f, 0.06f, 0.05f, 0.04f, 0.03f, 0.02f, 0.015f, 0.01f, 0.01f, 0.005f, 0.005f, 0.005f},
        {0.1f, 0.05f, 0.03f, 0.02f},
        {2.0f, 0.16f, 0.15f, 0.16f}};
    for (size_t e = 0; e < coefficients.size(); ++e)
        for (size_t k = 0; k < coefficients[e].size(); ++k)
            model.coef[static_cast<int>(e)][static_cast<int>(k)] = coefficients[e][k];
    for (int k = 1; k <= 11; ++k) at(3, 1 - k) = 10.3f * k - 0.7f * k * k;
    for (int k = 1; k <= 4; ++k) at(11, 1 - k) = 13.1f - 4.9f * k;
    const float consumption = value(7);  // the imports regression reads the previous pass's
    evaluateModel();

    auto termsValue = [&](int e) {
        double sum = 0.0;
        for (size_t i = 0; i < kRegressions[e].terms.size(); ++i) {
            const RegressionTerm& term = kRegressions[e].terms[i];
            double x = term.series == kConstantTerm ? 1.0
                       : term.series == 7           ? consumption
                                                    : at(term.series, 1 - term.lag);
            double product = model.coef[e][term.coefficient] * x;
            sum = i == 0 ? product : sum + product;
        }
        return static_cast<float>(sum);
    };
    EXPECT_EQ(value(kRegressions[0].dependent), termsValue(0));
    EXPECT_EQ(value(kRegressions[1].dependent), termsValue(1));
    // Imports are overwritten by the share identity; the regression's value lives on in nominal imports.
    EXPECT_EQ(kRegressions[2].dependent, 15);
    EXPECT_EQ(value(16), static_cast<float>(static_cast<double>(termsValue(2)) * value(1)));
}

TEST_F(ModelEquations, ExogenousSeriesAreOnlyRead) {
    const std::vector<int> exogenous = {0, 1, 8, 9, 18, 19, 21, 24, 26, 29, 31, 33};
    std::vector<float> before;
    for (int series : exogenous) before.push_back(value(series));
    evaluateModel();
    for (size_t i = 0; i < exogenous.size(); ++i) EXPECT_EQ(value(exogenous[i]), before[i]) << exogenous[i];
    EXPECT_EQ(at(2, 0), 100.0f);  // lagged values stay as they were
    EXPECT_EQ(at(10, 0), 70.0f);
}

TEST_F(ModelEquations, InventoryEquationHasNoConstant) {
    for (int k = 0; k < 4; ++k) model.coef[1][k] = 3.0f;
    evaluateModel();
    EXPECT_EQ(value(12), 0.0f);
}

TEST_F(ModelEquations, SumsAreFormedInDouble) {
    at(7, 1) = 100000000.0f;
    at(8, 1) = 1.0f;
    at(9, 1) = -100000000.0f;
    evaluateModel();
    EXPECT_EQ(value(10), 1.0f);  // in floats 1e8 + 1 would have lost the 1
}

TEST_F(ModelEquations, BasePassLeavesRegressionDependentsAndReadsElevenLags) {
    model.period = 0;
    model.currentIndex = kStart;
    at(4, 0) = 7.0f;
    at(12, 0) = 3.0f;
    at(3, -11) = 2.0f;
    at(4, -4) = 1.0f;
    at(11, -4) = 2.0f;
    at(1, 0) = 1.0f;
    model.coef[0][12] = 0.5f;
    model.coef[1][3] = 0.5f;
    evaluateModel();
    EXPECT_EQ(at(4, 0), 7.0f);
    EXPECT_EQ(at(12, 0), 3.0f);
    EXPECT_EQ(at(13, 0), 10.0f);
    EXPECT_EQ(at(5, 0), 1.0f);  // 0.95 * 0 + s4(t - 4)
}

using StockAccumulation = SolveTest;

TEST_F(StockAccumulation, StoresAndReturnsTheNewStock) {
    FloatVector stock = allocVector(-1, 2);
    stock[-1] = 3.0f;
    model.period = 0;
    EXPECT_EQ(accumulateStock(stock, 1.0f, 0.5f), 2.5f);
    EXPECT_EQ(stock[0], 2.5f);
    model.period = 1;
    EXPECT_EQ(accumulateStock(stock, 0.25f, 0.05f), static_cast<float>((1.0 - 0.05f) * 2.5 + 0.25));
    EXPECT_EQ(stock[1], 2.625f);
    EXPECT_EQ(stock[-1], 3.0f);
    freeVector(stock);
}

}  // namespace
