// The period loop: the convergence test, loading, the base pass, Gauss-Seidel
// passes per period, the operator prompt, static simulation and the
// stochastic give-up, over a bank in the scratch directory.
#include <cmath>
#include <string>

#include "solve/period_loop.h"
#include "solve/solve_fixture.h"
#include "state/model_state.h"

namespace {

const std::string kPrompt = " More iterations? Go to next period? Exit? (m,g,e):";
const std::string kLoaded = "\n\nLoading data\nData loaded; starting forecast\n          ";

class ConvergenceTest : public SolveTest {
protected:
    // One pass makes consumption equal to series 26 (price 1, every share 0).
    void SetUp() override {
        SolveTest::SetUp();
        makeModel(1);
        model.period = 1;
        model.currentIndex = kStart + 1;
        model.series[1][1] = 1.0f;
    }
    int passFrom(float before, float after) {
        model.series[7][1] = before;
        model.series[26][1] = after;
        return passConverged();
    }
};

TEST_F(ConvergenceTest, ChangeOfTwoTenthsConverges) {
    ConsoleCapture console;
    EXPECT_EQ(passFrom(10.2f, 10.0f), 1);
    EXPECT_EQ(passFrom(10.0f, 10.2f), 1);
    EXPECT_EQ(console.output(), "cR           10.00, cR           10.20, ");
}

TEST_F(ConvergenceTest, AnyLargerChangeDoesNot) {
    ConsoleCapture console;
    EXPECT_EQ(passFrom(0.2f, 0.0f), 0);  // 0.2f is a little above 0.2
    EXPECT_EQ(passFrom(10.0f, std::nextafter(10.2f, 11.0f)), 0);
    EXPECT_EQ(passFrom(std::nextafter(0.2f, 0.0f), 0.0f), 1);
    EXPECT_EQ(console.output(), "cR            0.00, ");
}

TEST_F(ConvergenceTest, UndefinedChangeCountsAsConverged) {
    model.series[1][1] = 0.0f;  // consumption 0 / 0
    ConsoleCapture console;
    EXPECT_EQ(passFrom(5.0f, 0.0f), 1);
    EXPECT_TRUE(std::isnan(model.series[7][1]));
}

TEST_F(ConvergenceTest, QuietWhileMaximizing) {
    model.maximize = 'y';
    ConsoleCapture console;
    EXPECT_EQ(passFrom(1.0f, 1.0f), 1);
    EXPECT_EQ(console.output(), "");
}

class RunTrial : public SolveTest {
protected:
    void prepare(int32_t periods) {
        makeModel(periods);
        openBank();
        writeHeartDat();
    }
    // |x - fixed point| of the converging economy with zero coefficients:
    // c = 0.85 * (0.6 * (c + 800) + 100).
    static double offEquilibrium(float consumption) { return std::fabs(consumption - 493.0 / 0.49); }
};

TEST_F(RunTrial, NoPeriodsMeansTheBasePassOnly) {
    fillOscillatingEconomy();
    prepare(0);
    ConsoleCapture console;
    EXPECT_EQ(runTrial(0), 1);
    EXPECT_EQ(console.output(), kLoaded);
    EXPECT_EQ(model.series[7][0], 100.0f);  // the base pass ran once
    EXPECT_EQ(model.maximize, 'n');
}

TEST_F(RunTrial, SolvesEveryPeriodUntilConsumptionSettles) {
    fillConvergingEconomy();
    prepare(3);
    ConsoleCapture console;
    EXPECT_EQ(runTrial(0), 1);
    const std::string out = console.output();
    EXPECT_EQ(out.rfind(kLoaded, 0), 0u);
    for (const char* date : {"\n 1995.200 cR       ", "\n 1995.300 cR       ", "\n 1995.400 cR       "})
        EXPECT_NE(out.find(date), std::string::npos) << date;
    EXPECT_EQ(out.find("Iteration"), std::string::npos);
    for (int t = 1; t <= 3; ++t) EXPECT_LT(offEquilibrium(model.series[7][t]), 0.5) << t;
    EXPECT_EQ(model.dateStep, 0.1f);
    EXPECT_NEAR(model.currentDate, 1995.4, 1e-3);
    EXPECT_EQ(model.currentIndex, kStart + 3);
}

TEST_F(RunTrial, StochasticTrialNamesItsNumber) {
    fillConvergingEconomy();
    prepare(1);
    model.randomCoefficients = 1;
    ConsoleCapture console;
    EXPECT_EQ(runTrial(4), 1);
    EXPECT_EQ(console.output().rfind("\n\nLoading data for trial 4\nData loaded; starting forecast", 0), 0u);
}

TEST_F(RunTrial, ReadsTheCoefficientsForEveryTrial) {
    fillConvergingEconomy();
    coefficients[0][0] = 50.0f;
    coefficients[1][1] = 0.5f;
    prepare(1);
    bank[11][kStart - 1] = 8.0f;  // s11(t - 2) for period 1
    openBank();
    ConsoleCapture console;
    runTrial(0);
    EXPECT_EQ(model.coef[0][0], 50.0f);
    EXPECT_EQ(model.series[4][1], 50.0f);
    EXPECT_EQ(model.series[12][1], 4.0f);
    EXPECT_EQ(model.series[4][0], 100.0f);  // untouched by the base pass
}

TEST_F(RunTrial, MissingValuesTakeThePreviousPeriod) {
    fillConvergingEconomy();
    bank[8][kStart + 2] = 480.0f;
    bank[8][kStart + 3] = -0.000001f;
    bank[9][kStart + 3] = -0.0000012f;
    bank[0][kStart + 3] = -0.0000008f;
    bank[26][kStart + 1] = -0.000001f;
    prepare(3);
    ConsoleCapture console;
    runTrial(0);
    EXPECT_EQ(model.series[8][3], 480.0f);
    EXPECT_EQ(model.series[9][3], -0.0000012f);
    EXPECT_EQ(model.series[0][3], -0.0000008f);
    EXPECT_EQ(model.series[26][1], 100.0f);
}

TEST_F(RunTrial, FixValuesComeFromTheBankPeriodByPeriod) {
    fillConvergingEconomy();
    for (int t = 1; t <= 3; ++t) bank[40][kStart + t] = 10.0f * t;
    prepare(3);
    model.fixType[1] = 'c';
    model.fixParam[1] = 40;
    model.fixOfSeries[12] = 1;
    model.fixCount = 2;
    ConsoleCapture console;
    runTrial(0);
    for (int t = 1; t <= 3; ++t) EXPECT_EQ(model.series[12][t], 10.0f * t) << t;
}

TEST_F(RunTrial, StaticSimulationSolvesFromLoadedLags) {
    fillConvergingEconomy();
    for (int t = 0; t < kBankLength; ++t) {
        bank[2][t] = 1500.0f + 100.0f * t;
        bank[10][t] = 1400.0f + 10.0f * t;
    }
    prepare(3);
    model.staticSimulation = 'y';
    model.staticValues = allocMatrix(0, kSeries, 1, 2);
    ConsoleCapture console;
    EXPECT_EQ(runTrial(0), 1);
    // Final sales are formed before their change in a pass: s11 = s10 - s10(t - 1)
    // holds exactly. Output changes a little in the last pass, after its change.
    const float loadedOutput[] = {0, bank[2][kStart + 1], bank[2][kStart + 2]};
    const float loadedSales[] = {0, bank[10][kStart + 1], bank[10][kStart + 2]};
    for (int t = 2; t <= 3; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(model.series[11][t],
                  static_cast<float>(static_cast<double>(model.series[10][t]) - loadedSales[t - 1]));
        EXPECT_NEAR(model.series[3][t], model.series[2][t] - loadedOutput[t - 1], 1.0);
        EXPECT_GT(std::fabs(model.series[2][t - 1] - loadedOutput[t - 1]), 50.0);  // solved, not loaded
    }
    EXPECT_EQ(model.series[11][1],
              static_cast<float>(static_cast<double>(model.series[10][1]) - model.series[10][0]));
    for (int t = 1; t <= 3; ++t) EXPECT_LT(offEquilibrium(model.series[7][t]), 0.5) << t;
}

TEST_F(RunTrial, DynamicSimulationChainsSolvedValues) {
    fillConvergingEconomy();
    for (int t = 0; t < kBankLength; ++t) bank[10][t] = 1400.0f + 10.0f * t;
    prepare(3);
    ConsoleCapture console;
    runTrial(0);
    for (int t = 2; t <= 3; ++t)
        EXPECT_EQ(model.series[11][t],
                  static_cast<float>(static_cast<double>(model.series[10][t]) - model.series[10][t - 1]));
}

TEST_F(RunTrial, PromptAnswersComeFromBufferedInput) {
    fillOscillatingEconomy();
    prepare(1);
    ConsoleCapture console("m\ng");
    EXPECT_EQ(runTrial(0), 1);
    EXPECT_EQ(console.output(), kLoaded + "\n 1995.200 " + "\nIteration count = 200 ." + kPrompt +
                                    "\nIteration count = 400 ." + kPrompt + "\nIteration count = 600 ." +
                                    kPrompt);
    EXPECT_EQ(model.series[7][1], 0.0f);  // the value of the 600th pass
    EXPECT_EQ(console.remainingInput(), "");
}

TEST_F(RunTrial, GoAcceptsThePeriodAndMovesOn) {
    fillOscillatingEconomy();
    prepare(2);
    model.maxIterations = 3;
    ConsoleCapture console("gg");
    EXPECT_EQ(runTrial(0), 1);
    EXPECT_EQ(console.output(), kLoaded + "\n 1995.200 \nIteration count = 3 ." + kPrompt +
                                    "\n 1995.300 \nIteration count = 3 ." + kPrompt);
    EXPECT_EQ(model.series[7][1], 100.0f);  // the third pass from 0
}

TEST_F(RunTrial, ExitEndsTheRunWithThree) {
    fillOscillatingEconomy();
    prepare(2);
    ConsoleCapture console("e\n");
    EXPECT_EQ(exitCodeOf([] { runTrial(0); }), 3);
    EXPECT_EQ(console.output(), kLoaded + "\n 1995.200 \nIteration count = 200 ." + kPrompt);
}

TEST_F(RunTrial, EndOfInputEndsTheRunWithThree) {
    fillOscillatingEconomy();
    prepare(1);
    ConsoleCapture console("m");
    EXPECT_EQ(exitCodeOf([] { runTrial(0); }), 3);
    EXPECT_EQ(model.iterationCount, 400);
}

TEST_F(RunTrial, PassLimitBelowOneAsksAfterEveryPass) {
    fillOscillatingEconomy();
    prepare(1);
    model.maxIterations = 0;
    ConsoleCapture console("mg");
    EXPECT_EQ(runTrial(0), 1);
    EXPECT_EQ(console.output(), kLoaded + "\n 1995.200 \nIteration count = 1 ." + kPrompt +
                                    "\nIteration count = 2 ." + kPrompt);
}

TEST_F(RunTrial, StochasticTrialGivesUpWithoutAsking) {
    fillOscillatingEconomy();
    prepare(2);
    model.randomErrors = 1;
    ConsoleCapture console("e");
    EXPECT_EQ(runTrial(2), 0);
    EXPECT_EQ(console.output(), "\n\nLoading data for trial 2\nData loaded; starting forecast\n          \n 1995.200 ");
    EXPECT_EQ(model.iterationCount, 200);
    EXPECT_EQ(console.remainingInput(), "e");
}

TEST_F(RunTrial, LoadingFailureEndsWithTwo) {
    fillConvergingEconomy();
    prepare(3);
    model.endIndex = kBankLength;
    ConsoleCapture console;
    EXPECT_EQ(exitCodeOf([] { runTrial(0); }), 2);
}

TEST_F(RunTrial, AfterOptimisingTheSeriesAndCoefficientsInMemoryAreUsed) {
    fillConvergingEconomy();
    makeModel(1);  // no bank file, no heart.dat
    for (int record = 0; record < kSeries; ++record)
        for (int t = -kLags; t <= 1; ++t) model.series[record][t] = bank[record][kStart + t];
    model.coef[0][0] = 25.0f;
    model.maximize = 'y';
    ConsoleCapture console;
    EXPECT_EQ(runTrial(0), 1);
    EXPECT_EQ(model.maximize, 'n');
    EXPECT_EQ(model.series[4][1], 25.0f);
    EXPECT_NE(console.output().find("\n 1995.200 cR"), std::string::npos);
}

}  // namespace
