// The model's 25 statements against values worked out by hand.
#include <vector>

#include "solve/model.h"
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
        model.startIndex = kStart;
        model.currentIndex = kStart + 1;
        set(1, 2.0f);
        at(2, 0) = 100.0f;
        set(2, 110.0f);
        at(4, -3) = 8.0f;
        at(5, 0) = 200.0f;
        set(7, 50.0f);
        set(8, 20.0f);
        set(9, 10.0f);
        at(10, 0) = 70.0f;
        set(18, 0.25f);
        set(19, 0.5f);
        set(21, 0.125f);
        set(24, 0.25f);
        set(26, 3.0f);
        set(29, 0.125f);
        set(31, 0.0625f);
        set(33, 0.03125f);
    }
    float& at(int series, int t) { return model.series[series][t]; }
    void set(int series, float value) { at(series, 1) = value; }
    float value(int series) { return at(series, 1); }
};

TEST_F(ModelEquations, AllCoefficientsZero) {
    evaluateModel();
    EXPECT_EQ(value(3), 10.0f);
    EXPECT_EQ(value(5), 198.0f);  // 0.95 * 200 + 8, rounded to a float
    EXPECT_EQ(value(6), 9.9f);
    EXPECT_EQ(value(4), 0.0f);
    EXPECT_EQ(value(10), 80.0f);
    EXPECT_EQ(value(11), 10.0f);
    EXPECT_EQ(value(12), 0.0f);
    EXPECT_EQ(value(13), 0.0f);
    EXPECT_EQ(value(14), 0.0f);
    EXPECT_EQ(value(16), 0.0f);
    EXPECT_EQ(value(17), 160.0f);
    EXPECT_EQ(value(15), 17.5f);  // (50 + 0 + 20) * 0.25, over the regression's 0
    EXPECT_EQ(value(2), 62.5f);
    EXPECT_EQ(value(20), 80.0f);
    EXPECT_EQ(value(22), 20.0f);
    EXPECT_EQ(value(23), 60.0f);
    EXPECT_EQ(value(25), 15.0f);
    EXPECT_EQ(value(27), 6.0f);
    EXPECT_EQ(value(28), 51.0f);
    EXPECT_EQ(value(30), 6.375f);
    EXPECT_EQ(value(32), 3.1875f);
    EXPECT_EQ(value(34), 1.59375f);
    EXPECT_EQ(value(35), 39.84375f);
    EXPECT_EQ(value(7), 19.921875f);
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

TEST_F(ModelEquations, InvestmentCoefficientsOneAtATime) {
    struct Case {
        int coefficient;
        float investment;
    };
    std::vector<Case> cases = {{0, 0.5f}, {1, 9.9f * 0.5f}};
    for (int k = 1; k <= 11; ++k) cases.push_back({k + 1, 5.0f * k});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.coefficient);
        SetUp();
        for (int k = 1; k <= 11; ++k) at(3, 1 - k) = 10.0f * k;  // s3(t - k)
        model.coef[0][c.coefficient] = 0.5f;
        evaluateModel();
        EXPECT_EQ(value(4), c.investment);
        EXPECT_EQ(value(13), c.investment);  // total investment reads the stored value
        EXPECT_EQ(value(10), 80.0f + c.investment);
    }
}

TEST_F(ModelEquations, InventoryCoefficientsOneAtATime) {
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        SetUp();
        for (int lag = 1; lag <= 4; ++lag) at(11, 1 - lag) = 100.0f * lag;  // s11(t - lag)
        model.coef[1][k - 1] = 0.5f;
        evaluateModel();
        EXPECT_EQ(value(12), 50.0f * k);
        EXPECT_EQ(value(13), 50.0f * k);
    }
}

TEST_F(ModelEquations, InventoryEquationHasNoConstant) {
    for (int k = 0; k < 4; ++k) model.coef[1][k] = 3.0f;
    evaluateModel();
    EXPECT_EQ(value(12), 0.0f);
}

TEST_F(ModelEquations, ImportCoefficientsOneAtATime) {
    // Nominal imports s16 = regression value * price 2.
    struct Case {
        int coefficient;
        float nominalImports;
    };
    for (const Case& c : std::vector<Case>{{0, 1.0f}, {1, 20.0f}, {3, 50.0f}}) {
        SCOPED_TRACE(c.coefficient);
        SetUp();
        model.coef[2][c.coefficient] = 0.5f;
        evaluateModel();
        EXPECT_EQ(value(16), c.nominalImports);  // s7 as the previous pass left it: 50
        EXPECT_EQ(value(15), 17.5f);
    }
    SetUp();
    model.coef[0][0] = 4.0f;  // total investment 4 for the s13 term
    model.coef[2][2] = 0.5f;
    evaluateModel();
    EXPECT_EQ(value(16), 4.0f);
}

TEST_F(ModelEquations, ImportsAndOutputAreAssignedTwice) {
    model.coef[2][0] = 10.0f;
    evaluateModel();
    EXPECT_EQ(value(16), 20.0f);    // from the regression's 10
    EXPECT_EQ(value(17), 140.0f);   // from the first output 50 + 20 - 10 + 10
    EXPECT_EQ(value(20), 70.0f);    // factor income follows that nominal output
    EXPECT_EQ(value(15), 17.5f);    // the identity's imports
    EXPECT_EQ(value(2), 62.5f);     // output again from them
}

TEST_F(ModelEquations, SumsAreFormedInDouble) {
    set(7, 100000000.0f);
    set(8, 1.0f);
    set(9, -100000000.0f);
    evaluateModel();
    EXPECT_EQ(value(10), 1.0f);  // in floats 1e8 + 1 would have lost the 1
}

TEST_F(ModelEquations, BasePassLeavesRegressionDependentsAndReadsElevenLags) {
    model.period = 0;
    model.currentIndex = kStart;
    model.series[4][0] = 7.0f;
    model.series[12][0] = 3.0f;
    model.series[3][-11] = 2.0f;
    model.series[4][-4] = 1.0f;
    model.series[11][-4] = 2.0f;
    model.series[1][0] = 1.0f;
    model.coef[0][12] = 0.5f;
    model.coef[1][3] = 0.5f;
    evaluateModel();
    EXPECT_EQ(model.series[4][0], 7.0f);
    EXPECT_EQ(model.series[12][0], 3.0f);
    EXPECT_EQ(model.series[13][0], 10.0f);
    EXPECT_EQ(model.series[5][0], 1.0f);  // 0.95 * 0 + s4(t - 4)
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
