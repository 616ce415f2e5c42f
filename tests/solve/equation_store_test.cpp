// The equation-result store: fixes read from the bank, the rho residual and its
// decay, skip, and the AR(1) random errors.
#include <cmath>
#include <string>
#include <vector>

#include "solve/equation_store.h"
#include "solve/solve_fixture.h"
#include "state/model_state.h"
#include "base/random.h"

namespace {

class EquationStore : public SolveTest {
protected:
    static constexpr int kFixSeries = 40;  // bank record of the fix values

    void SetUp() override {
        SolveTest::SetUp();
        makeModel(4);
        for (int t = 0; t <= 4; ++t) model.series[4][t] = -5.0f;  // loaded values
        openBank();
    }
    // Fixes series 4 by slot 1; 's' skips it.
    void fix(char letter, int32_t param = kFixSeries) {
        if (letter == 's') {
            model.fixOfSeries[4] = -1;
            return;
        }
        model.fixType[1] = letter;
        model.fixParam[1] = param;
        model.fixOfSeries[4] = 1;
        model.fixCount = 2;
    }
    // Stores a regression value at period t (0 the base pass) and returns series 4 there.
    float storeAt(int32_t t, float value, int32_t pass = 0, int equation = 0) {
        model.period = t;
        model.currentIndex = kStart + t;
        model.iterationCount = pass;
        storeEquationResult(4, value, equation);
        return model.series[4][t];
    }
    // Storing at period 1 ends the run with `code` and prints `text`.
    void expectStoreEnds(int code, const std::string& text, int allocations = -1) {
        ConsoleCapture console;
        limitAllocations(allocations);
        const int ended = exitCodeOf([&] { storeAt(1, 1.0f); });
        limitAllocations(-1);
        EXPECT_EQ(ended, code);
        EXPECT_EQ(console.output(), text);
    }
};

TEST_F(EquationStore, StoredValueByFixPeriodAndPass) {
    // The fix value stands in the bank at period 1 only; period 0 is the base pass.
    struct Case {
        char fix;  // 0: none, 's': skipped
        float fixValue;
        int32_t period, pass;
        float value, stored;
    };
    const Case cases[] = {
        {0, 0, 1, 0, 12.25f, 12.25f}, {0, 0, 1, 3, -0.5f, -0.5f},          // written unchanged
        {0, 0, 0, 0, 99, -5},          {'c', 2.5f, 0, 0, 99, -5},   {'m', 3, 0, 0, 99, -5},
        {'o', 7, 0, 0, 99, -5},        {'r', 0, 0, 0, 99, -5},      {'s', 0, 0, 0, 99, -5},
        {'c', 2.5f, 1, 0, 10, 12.5f},  {'m', 3, 1, 0, 10, 30},      {'o', 7, 1, 0, 10, 7},
        {'c', 2.5f, 2, 0, 10, 10},     {'m', 3, 2, 0, 10, 10},      {'o', 7, 2, 0, 10, 10},  // zero fix
        {'s', 0, 1, 0, 50, -5},        {'s', 0, 2, 0, 50, -5},      {'s', 0, 3, 0, 50, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fix " << (c.fix ? c.fix : '-') << " period " << c.period
                                        << " pass " << c.pass);
        SetUp();
        changeBankValue(kFixSeries, kStart + 1, c.fixValue);
        if (c.fix) fix(c.fix, c.fix == 'r' ? 750 : kFixSeries);
        model.randomErrors = c.fix == 's' ? 1 : 0;  // a skip holds even in a stochastic run
        EXPECT_EQ(storeAt(c.period, c.value, c.pass), c.stored);
    }
}

TEST_F(EquationStore, FixValuesAreReadOnTheFirstPassOfAPeriodOnly) {
    changeBankValue(kFixSeries, kStart + 1, 2.5f);
    changeBankValue(kFixSeries, kStart + 2, 100.0f);
    fix('c');
    EXPECT_EQ(storeAt(1, 10.0f), 12.5f);
    EXPECT_EQ(storeAt(2, 20.0f, 1), 22.5f);  // a later pass keeps the value it has
    EXPECT_EQ(storeAt(2, 20.0f), 120.0f);
}

TEST_F(EquationStore, RhoResidualDecaysEachPeriod) {
    changeBankValue(4, kStart, 20.0f);  // the stored base-period value of series 4
    fix('r', 750);
    storeAt(0, 12.0f);
    EXPECT_EQ(model.fixValue[1], 8.0f);
    const float expected[] = {18.0f, 16.5f, 15.375f, 14.53125f};
    for (int t = 1; t <= 4; ++t) {
        EXPECT_EQ(storeAt(t, 12.0f), expected[t - 1]) << t;
        EXPECT_EQ(storeAt(t, 12.0f, 2), expected[t - 1]) << t;  // later passes keep the residual
    }
}

TEST_F(EquationStore, RhoFactorIsRoundedToAFloat) {
    changeBankValue(4, kStart, 1.0f);
    fix('r', 999);
    storeAt(0, 0.0f);
    const float factor = static_cast<float>(999.0f * 0.001);
    EXPECT_EQ(storeAt(1, 0.0f), static_cast<float>(static_cast<double>(factor) * 1.0f));
    EXPECT_EQ(model.fixValue[1], 0.999f);
}

TEST_F(EquationStore, FailedReadOfAFixValueEndsWithTwo) {
    fix('c', 200);  // beyond the end of the bank file
    expectStoreEnds(2, "\nCannot read series 200 at bank period 13 for a fix.\n");
}

TEST_F(EquationStore, NoMemoryForTheErrorsEndsWithSeven) {
    expectStoreEnds(7, "Not enough space.\n", 0);
}

class RandomErrors : public EquationStore {
protected:
    void SetUp() override {
        EquationStore::SetUp();
        // The deviates of a fresh stream from seed 1, then the same stream again.
        model.random.seed = 1;
        for (int k = 0; k < 8; ++k) z.push_back(normalDeviate(model.random));
        model.random = RandomState{};
        model.random.seed = 1;
        model.randomErrors = 1;
        for (int e = 0; e < 3; ++e) {
            model.errorRho[e] = 0.5f;
            model.errorSee[e] = 2.0f;
        }
    }
    // The k-th draw's innovation for rho 0.5 and SEE 2, continuing the error `previous`.
    float error(int k, float previous) const {
        return static_cast<float>(z[k] * std::sqrt(0.75) * 2.0 + 0.5 * previous);
    }
    std::vector<double> z;
};

TEST_F(RandomErrors, BasePassDrawsTheFirstErrorOfEveryStochasticEquation) {
    model.errorRho[1] = 0.0f;
    model.errorSee[2] = 4.0f;
    for (int e = 0; e < 3; ++e) storeAt(0, 1.0f, 0, e);
    const double scale = std::sqrt(0.75);
    EXPECT_NEAR(model.equationErrors[0], -0.0930569 * scale * 2.0, 1e-6);
    EXPECT_EQ(model.equationErrors[0], static_cast<float>(z[0] * scale * 2.0));
    EXPECT_EQ(model.equationErrors[1], static_cast<float>(z[1] * 1.0 * 2.0));
    EXPECT_EQ(model.equationErrors[2], static_cast<float>(z[2] * scale * 4.0));
    EXPECT_EQ(model.series[4][0], -5.0f);
}

TEST_F(RandomErrors, ErrorsFollowAFirstOrderProcessAndAddToEveryPass) {
    storeAt(0, 1.0f);
    const float first = error(1, model.equationErrors[0]);
    EXPECT_EQ(storeAt(1, 10.0f), static_cast<float>(10.0 + first));
    EXPECT_EQ(model.equationErrors[0], first);
    EXPECT_EQ(storeAt(1, 11.0f, 1), static_cast<float>(11.0 + first));  // no new draw
    EXPECT_EQ(storeAt(2, 10.0f), static_cast<float>(10.0 + error(2, first)));
}

TEST_F(RandomErrors, ErrorIsAddedBeforeTheFix) {
    changeBankValue(kFixSeries, kStart + 1, 3.0f);
    fix('m');
    storeAt(0, 1.0f);
    const float withError = static_cast<float>(10.0 + error(1, model.equationErrors[0]));
    EXPECT_EQ(storeAt(1, 10.0f), static_cast<float>(3.0 * withError));
}

TEST_F(RandomErrors, OrdinaryEquationsReceiveNone) {
    model.equationKind[0] = 'x';
    storeAt(0, 1.0f);
    EXPECT_EQ(storeAt(1, 10.0f), 10.0f);
    EXPECT_EQ(model.equationErrors[0], 0.0f);
    EXPECT_FALSE(model.random.initialised);
}

}  // namespace
