// The equation-result store: fixes read from the bank, the rho residual and its
// decay, skip, and the AR(1) random errors.
#include <cmath>
#include <vector>

#include "solve/equation_store.h"
#include "solve/solve_fixture.h"
#include "state/model_state.h"
#include "stochastic/random.h"

namespace {

class EquationStore : public SolveTest {
protected:
    static constexpr int kFixSeries = 40;  // bank record of the fix values

    void SetUp() override {
        SolveTest::SetUp();
        makeModel(4);
        for (int t = 0; t <= 4; ++t) model.series[4][t] = -5.0f;  // loaded values
    }
    // Fixes series 4 by slot 1.
    void fix(char letter, int32_t param) {
        model.fixType[1] = letter;
        model.fixParam[1] = param;
        model.fixOfSeries[4] = 1;
        model.fixCount = 2;
    }
    void enterPeriod(int32_t t, int32_t pass = 0) {
        model.period = t;
        model.currentIndex = kStart + t;
        model.iterationCount = pass;
    }
    float store(float value, int equation = 0) {
        storeEquationResult(4, value, equation);
        return model.series[4][model.period];
    }
};

TEST_F(EquationStore, WithoutFixTheValueIsWrittenUnchanged) {
    enterPeriod(1);
    EXPECT_EQ(store(12.25f), 12.25f);
    enterPeriod(1, 3);
    EXPECT_EQ(store(-0.5f), -0.5f);
}

TEST_F(EquationStore, BasePassWritesNothingWhateverTheFix) {
    openBank();
    for (char letter : {'\0', 'c', 'm', 'o', 'r', 's'}) {
        SCOPED_TRACE(letter);
        if (letter == 's') model.fixOfSeries[4] = -1;
        else if (letter) fix(letter, letter == 'r' ? 750 : kFixSeries);
        enterPeriod(0);
        EXPECT_EQ(store(99.0f), -5.0f);
    }
}

TEST_F(EquationStore, FixesApplyThePeriodsValueAndAZeroLeavesTheValue) {
    // Fix value F at period 1, 0 at period 2; the regression gives 10 in both.
    struct Case {
        char letter;
        float fixValue;
        float fixed;
    };
    for (const Case& c : {Case{'c', 2.5f, 12.5f}, Case{'m', 3.0f, 30.0f}, Case{'o', 7.0f, 7.0f}}) {
        SCOPED_TRACE(c.letter);
        SetUp();
        bank[kFixSeries][kStart + 1] = c.fixValue;
        openBank();
        fix(c.letter, kFixSeries);
        enterPeriod(1);
        EXPECT_EQ(store(10.0f), c.fixed);
        enterPeriod(2);
        EXPECT_EQ(store(10.0f), 10.0f);
    }
}

TEST_F(EquationStore, FixValuesAreReadOnTheFirstPassOfAPeriodOnly) {
    bank[kFixSeries][kStart + 1] = 2.5f;
    openBank();
    fix('c', kFixSeries);
    enterPeriod(1);
    EXPECT_EQ(store(10.0f), 12.5f);
    changeBankValue(kFixSeries, kStart + 1, 100.0f);
    enterPeriod(1, 1);
    EXPECT_EQ(store(20.0f), 22.5f);
    enterPeriod(1, 0);
    EXPECT_EQ(store(20.0f), 120.0f);
}

TEST_F(EquationStore, RhoResidualDecaysEachPeriod) {
    bank[4][kStart] = 20.0f;  // the stored base-period value of series 4
    openBank();
    fix('r', 750);
    enterPeriod(0);
    store(12.0f);
    EXPECT_EQ(model.fixValue[1], 8.0f);
    const float expected[] = {18.0f, 16.5f, 15.375f, 14.53125f};
    for (int t = 1; t <= 4; ++t) {
        enterPeriod(t);
        EXPECT_EQ(store(12.0f), expected[t - 1]) << t;
        enterPeriod(t, 2);  // later passes of the period keep the same residual
        EXPECT_EQ(store(12.0f), expected[t - 1]) << t;
    }
}

TEST_F(EquationStore, RhoFactorIsRoundedToAFloat) {
    bank[4][kStart] = 1.0f;
    openBank();
    fix('r', 999);
    enterPeriod(0);
    store(0.0f);
    enterPeriod(1);
    const float factor = static_cast<float>(999.0f * 0.001);
    EXPECT_EQ(store(0.0f), static_cast<float>(static_cast<double>(factor) * 1.0f));
    EXPECT_EQ(model.fixValue[1], 0.999f);
}

TEST_F(EquationStore, SkippedSeriesKeepsItsLoadedValue) {
    model.fixOfSeries[4] = -1;
    model.randomErrors = 1;
    for (int t = 1; t <= 3; ++t) {
        enterPeriod(t);
        EXPECT_EQ(store(50.0f), -5.0f);
    }
}

TEST_F(EquationStore, FailedReadOfAFixValueEndsTheRun) {
    openBank();
    fix('c', 200);  // beyond the end of the bank file
    enterPeriod(1);
    ConsoleCapture console;
    EXPECT_EQ(exitCodeOf([&] { store(1.0f); }), 2);
    EXPECT_EQ(console.output(), "\nCannot read series 200 at bank period 13 for a fix.\n");
}

TEST_F(EquationStore, NoMemoryForTheErrorsEndsWithSeven) {
    enterPeriod(1);
    ConsoleCapture console;
    limitAllocations(0);
    int code = exitCodeOf([&] { store(1.0f); });
    limitAllocations(-1);
    EXPECT_EQ(code, 7);
    EXPECT_EQ(console.output(), "Not enough space.\n");
}

class RandomErrors : public EquationStore {
protected:
    void SetUp() override {
        EquationStore::SetUp();
        // The deviates of a fresh stream from seed 1, then the same stream again.
        model.rngSeed = 1;
        for (int k = 0; k < 8; ++k) z.push_back(normalDeviate());
        model.random = RandomState{};
        model.rngSeed = 1;
        model.randomErrors = 1;
        for (int e = 0; e < 3; ++e) {
            model.errorRho[e] = 0.5f;
            model.errorSee[e] = 2.0f;
        }
    }
    std::vector<double> z;
};

TEST_F(RandomErrors, BasePassDrawsTheFirstErrorOfEveryStochasticEquation) {
    model.errorRho[1] = 0.0f;
    model.errorSee[2] = 4.0f;
    enterPeriod(0);
    for (int e = 0; e < 3; ++e) store(1.0f, e);
    const double scale = std::sqrt(0.75);
    EXPECT_NEAR(model.equationErrors[0], -0.0930569 * scale * 2.0, 1e-6);
    EXPECT_EQ(model.equationErrors[0], static_cast<float>(z[0] * scale * 2.0));
    EXPECT_EQ(model.equationErrors[1], static_cast<float>(z[1] * 1.0 * 2.0));
    EXPECT_EQ(model.equationErrors[2], static_cast<float>(z[2] * scale * 4.0));
    EXPECT_EQ(model.series[4][0], -5.0f);
}

TEST_F(RandomErrors, ErrorsFollowAFirstOrderProcessAndAddToEveryPass) {
    enterPeriod(0);
    store(1.0f);
    const float base = model.equationErrors[0];
    enterPeriod(1);
    const float first = static_cast<float>(z[1] * std::sqrt(0.75) * 2.0 + 0.5 * base);
    EXPECT_EQ(store(10.0f), static_cast<float>(10.0 + first));
    EXPECT_EQ(model.equationErrors[0], first);
    enterPeriod(1, 1);
    EXPECT_EQ(store(11.0f), static_cast<float>(11.0 + first));  // no new draw
    enterPeriod(2);
    const float second = static_cast<float>(z[2] * std::sqrt(0.75) * 2.0 + 0.5 * first);
    EXPECT_EQ(store(10.0f), static_cast<float>(10.0 + second));
}

TEST_F(RandomErrors, ErrorIsAddedBeforeTheFix) {
    bank[kFixSeries][kStart + 1] = 3.0f;
    openBank();
    fix('m', kFixSeries);
    enterPeriod(0);
    store(1.0f);
    enterPeriod(1);
    const float error = static_cast<float>(z[1] * std::sqrt(0.75) * 2.0 + 0.5 * model.equationErrors[0]);
    const float withError = static_cast<float>(10.0 + error);
    EXPECT_EQ(store(10.0f), static_cast<float>(3.0 * withError));
}

TEST_F(RandomErrors, OrdinaryEquationsReceiveNone) {
    model.equationKind[0] = 'x';
    enterPeriod(0);
    store(1.0f);
    enterPeriod(1);
    EXPECT_EQ(store(10.0f), 10.0f);
    EXPECT_EQ(model.equationErrors[0], 0.0f);
    EXPECT_FALSE(model.random.initialised);
}

}  // namespace
