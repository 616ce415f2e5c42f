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

TEST_F(ConvergenceTest, ChangeOfAtMostTwoTenthsConvergesAndPrintsConsumption) {
    struct Case {
        float before, after;
        bool maximize;
        int converged;
        const char* printed;
    };
    const Case cases[] = {
        {10.2f, 10.0f, false, 1, "cR           10.00, "},
        {10.0f, 10.2f, false, 1, "cR           10.20, "},
        {0.2f, 0.0f, false, 0, ""},  // 0.2f is a little above 0.2
        {10.0f, std::nextafter(10.2f, 11.0f), false, 0, ""},
        {std::nextafter(0.2f, 0.0f), 0.0f, false, 1, "cR            0.00, "},
        {1.0f, 1.0f, true, 1, ""},  // quiet while maximizing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " -> " << c.after);
        model.maximize = c.maximize;
        ConsoleCapture console;
        EXPECT_EQ(passFrom(c.before, c.after), c.converged);
        EXPECT_EQ(console.output(), c.printed);
    }
}

TEST_F(ConvergenceTest, UndefinedCheckValueIsNotConverged) {
    model.series[1][1] = 0.0f;  // consumption 0 / 0
    ConsoleCapture console;
    EXPECT_EQ(passFrom(5.0f, 0.0f), 0);
    EXPECT_TRUE(std::isnan(model.series[7][1]));
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
    EXPECT_FALSE(model.maximize);
}

TEST_F(RunTrial, SolvesEveryPeriodUntilConsumptionSettles) {
    fillConvergingEconomy();
    for (int t = 0; t < kBankLength; ++t) bank[10][t] = 1400.0f + 10.0f * t;
    prepare(3);
    ConsoleCapture console;
    EXPECT_EQ(runTrial(0), 1);
    const std::string out = console.output();
    EXPECT_EQ(out.rfind(kLoaded, 0), 0u);
    for (const char* date : {"\n 1995.200 cR       ", "\n 1995.300 cR       ", "\n 1995.400 cR       "})
        EXPECT_NE(out.find(date), std::string::npos) << date;
    EXPECT_EQ(out.find("Iteration"), std::string::npos);
    for (int t = 1; t <= 3; ++t) EXPECT_LT(offEquilibrium(model.series[7][t]), 0.5) << t;
    for (int t = 2; t <= 3; ++t)  // a dynamic simulation chains the solved values
        EXPECT_EQ(model.series[11][t],
                  static_cast<float>(static_cast<double>(model.series[10][t]) - model.series[10][t - 1]));
    EXPECT_NEAR(model.currentDate, 1995.4, 1e-3);
    EXPECT_EQ(model.currentIndex, kStart + 3);
}

TEST_F(RunTrial, ReadsTheCoefficientsForEveryTrial) {
    fillConvergingEconomy();
    coefficients[0][0] = 50.0f;
    coefficients[1][1] = 0.5f;
    bank[11][kStart - 1] = 8.0f;  // s11(t - 2) for period 1
    prepare(1);
    model.randomCoefficients = 1;  // zero draw matrices leave the stored values
    ConsoleCapture console;
    EXPECT_EQ(runTrial(4), 1);
    EXPECT_EQ(console.output().rfind("\n\nLoading data for trial 4\nData loaded; starting forecast", 0), 0u);
    EXPECT_EQ(model.coef[0][0], 50.0f);
    EXPECT_EQ(model.series[4][1], 50.0f);
    EXPECT_EQ(model.series[12][1], 4.0f);
    EXPECT_EQ(model.series[4][0], 100.0f);  // untouched by the base pass
}

TEST_F(RunTrial, LoadsMissingValuesAndFixValuesPeriodByPeriod) {
    fillConvergingEconomy();
    bank[8][kStart + 2] = 480.0f;  // the missing marker takes the previous period, values beside it do not
    bank[8][kStart + 3] = -0.000001f;
    bank[9][kStart + 3] = -0.0000012f;
    bank[0][kStart + 3] = -0.0000008f;
    bank[26][kStart + 1] = -0.000001f;
    for (int t = 1; t <= 3; ++t) bank[40][kStart + t] = 10.0f * t;
    prepare(3);
    model.fixType[1] = 'c';
    model.fixParam[1] = 40;
    model.fixOfSeries[12] = 1;
    model.fixCount = 2;
    ConsoleCapture console;
    runTrial(0);
    EXPECT_EQ(model.series[8][3], 480.0f);
    EXPECT_EQ(model.series[9][3], -0.0000012f);
    EXPECT_EQ(model.series[0][3], -0.0000008f);
    EXPECT_EQ(model.series[26][1], 100.0f);
    for (int t = 1; t <= 3; ++t) EXPECT_EQ(model.series[12][t], 10.0f * t) << t;
}

TEST_F(RunTrial, StaticSimulationSolvesFromLoadedLags) {
    fillConvergingEconomy();
    for (int t = 0; t < kBankLength; ++t) {
        bank[2][t] = 1500.0f + 100.0f * t;
        bank[10][t] = 1400.0f + 10.0f * t;
    }
    prepare(3);
    model.staticSimulation = true;
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

TEST_F(RunTrial, OperatorPromptAndStochasticGiveUp) {
    const std::string firstPeriod = kLoaded + "\n 1995.200 ";
    auto asked = [](int passes) { return "\nIteration count = " + std::to_string(passes) + " ." + kPrompt; };
    struct Case {
        const char* input;
        int32_t periods, maxIterations, trial;  // a trial above 0 runs with random errors
        int exitCode, returned;                 // -1: none
        std::string output;
        int32_t passes;
        float consumption;  // period 1 after the last pass: 100 after odd passes
        const char* remaining;
    };
    const Case cases[] = {
        // Answers come from buffered input; anything but g or e asks for more passes.
        {"m\ng", 1, 200, 0, -1, 1, firstPeriod + asked(200) + asked(400) + asked(600), 600, 0, ""},
        {"gg", 2, 3, 0, -1, 1, firstPeriod + asked(3) + "\n 1995.300 " + asked(3), 3, 100, ""},
        {"e\n", 2, 200, 0, 3, -1, firstPeriod + asked(200), 200, 0, "\n"},
        {"m", 1, 200, 0, 3, -1, firstPeriod + asked(200) + asked(400), 400, 0, ""},  // end of input
        {"mg", 1, 0, 0, -1, 1, firstPeriod + asked(1) + asked(2), 2, 0, ""},  // asks after every pass
        {"e", 2, 200, 2, -1, 0,
         "\n\nLoading data for trial 2\nData loaded; starting forecast\n          \n 1995.200 ", 200, 0, "e"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        SetUp();
        fillOscillatingEconomy();
        prepare(c.periods);
        model.maxIterations = c.maxIterations;
        model.randomErrors = c.trial > 0 ? 1 : 0;
        ConsoleCapture console(c.input);
        int returned = -1;
        EXPECT_EQ(exitCodeOf([&] { returned = runTrial(c.trial); }), c.exitCode);
        EXPECT_EQ(returned, c.returned);
        EXPECT_EQ(console.output(), c.output);
        EXPECT_EQ(model.iterationCount, c.passes);
        EXPECT_EQ(model.series[7][1], c.consumption);
        EXPECT_EQ(console.remainingInput(), c.remaining);
    }
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
    model.maximize = true;
    ConsoleCapture console;
    EXPECT_EQ(runTrial(0), 1);
    EXPECT_FALSE(model.maximize);
    EXPECT_EQ(model.series[4][1], 25.0f);
    EXPECT_NE(console.output().find("\n 1995.200 cR"), std::string::npos);
}

}  // namespace
