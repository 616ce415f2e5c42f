// The optimisation run on the in-memory model and its bank: probing cycles,
// simplex searches, Changes.chg, the new coefficients and coefficient file.
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "optimiser/driver.h"
#include "optimiser/objective.h"
#include "optimiser/spec_file.h"
#include "base/arrays.h"
#include "small_model.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "support/harness.h"

namespace {

constexpr int kPeriods = 6;

// The last-period change in final sales passes through a minimum as the first
// accelerator coefficient of fixed investment varies around 0.
const std::string kSpec =
    "s11 change in final sales\n"
    "5\n"
    "# the accelerator on last quarter's output change\n"
    "fixinv\n"
    "0 0 0.05\n";

const std::string kLoading = "\n\nLoading time series data.\nTime series data loaded. Load coefficients.\n";

class Driver : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        buildSmallModel(kPeriods);
        openSmallBank();
        // the loaded values, not these, start every objective run
        for (int s = 0; s < kSmallSeries; ++s)
            for (int t = 0; t <= kPeriods; ++t) model.series[s][t] = -7.0f;
        writeFile("heart.dat", smallHeart());
        model.specFileName = "opt.spc";
    }
};

// The value of s11 with the accelerator coefficient at `c`, the other
// coefficients as they are.
float objectiveAt(float c) {
    model.parameterCount = 1;
    model.parameterEquation = {0};
    model.parameterCoefficient = {2};
    model.objectiveSeries = 11;
    FloatVector point = allocVector(1, 1);
    point[1] = c;
    float value = evaluateObjective(point);
    freeVector(point);
    return value;
}

TEST_F(Driver, SearchFindsAMinimumAndWritesTheReportTheCoefficientsAndTheFile) {
    writeFile("opt.spc", kSpec);
    ConsoleCapture console("k");
    ASSERT_TRUE(runOptimiser());
    EXPECT_EQ(console.output().rfind(kLoading + "\nStarting or restarting maximization\nInitial:     ", 0), 0u);
    EXPECT_EQ(console.remainingInput(), "");

    const float best = model.coef[0][2];
    // Only the parameter moved; it moved downhill to an interior minimum.
    EXPECT_EQ(model.coef[0][1], 0.9f);
    EXPECT_EQ(model.coef[0][3], 0.2f);
    EXPECT_LT(best, 0.3f);
    EXPECT_GT(best, -0.5f);

    // Changes.chg: an empty line, the number of runs, the header, one line per parameter.
    std::string changes = readFile("Changes.chg");
    char expected[64];
    std::snprintf(expected, sizeof expected, "fixinv\t\t%8.4f\t\t%8.4f\n", 0.3, static_cast<double>(best));
    // one search, then probing finds nothing lower: three runs
    EXPECT_EQ(changes, "\nResulting coeficients after maximization (3 runs).\nVariable\tOld:\t\t\tNew:\n" +
                           std::string(expected));

    // The series are restored to the loaded values for the final run.
    for (int s = 0; s < kSmallSeries; ++s)
        for (int t = 0; t <= kPeriods; ++t) ASSERT_EQ(model.series[s][t], steadyValue(s)) << s << " " << t;

    // The coefficient file holds the new value; heart.dat is unchanged.
    EXPECT_EQ(readFile("heart.dat"), smallHeart());
    std::fclose(model.coefficientStream);
    model.coefficientStream = nullptr;
    std::filesystem::rename("opt.dat", "heart.dat");
    model.maximize = false;
    ASSERT_TRUE(readOptimiserSpec());
    EXPECT_NEAR(model.coef[0][2], best, 5e-7);

    // The found point is a minimum of the objective.
    const float atBest = objectiveAt(best);
    EXPECT_LT(atBest, objectiveAt(0.3f));
    EXPECT_LE(atBest, objectiveAt(best + 0.01f) * (1 + 0.0005));
    EXPECT_LE(atBest, objectiveAt(best - 0.01f) * (1 + 0.0005));
}

struct Refusal {
    const char* why;
    std::string spec;
    void (*prepare)();
    std::string message;  // after the loading lines
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.why; }

class DriverRefusal : public Driver, public ::testing::WithParamInterface<Refusal> {};

TEST_P(DriverRefusal, FailsTheRunBeforeAnyReport) {
    const Refusal& r = GetParam();
    if (r.prepare) r.prepare();
    writeFile(model.specFileName, r.spec);
    ConsoleCapture console("k");
    EXPECT_FALSE(runOptimiser());
    limitAllocations(-1);
    EXPECT_EQ(console.output(), kLoading + r.message);
    EXPECT_EQ(console.remainingInput(), "k");
    EXPECT_FALSE(fileExists("Changes.chg"));
    EXPECT_EQ(readFile(model.specFileName), r.spec);
}

const std::string kNoChange =
    "There was no significant change in the objective function.\n"
    "Revise the step size and/or the objective function.\n";
std::string noSuchObjective(const std::string& name) {
    return "This model does not have a variable named " + name +
           ",\nthe name you gave in the OptSpec file as the variable to be optimized.\n";
}

INSTANTIATE_TEST_SUITE_P(
    Driver, DriverRefusal,
    ::testing::Values(
        Refusal{"zero parameters", "s11\n5\n", nullptr, kNoChange},
        // the price deflator is exogenous: no coefficient moves it
        Refusal{"steps that move nothing", "s1\n5\nfixinv\n0 0 0.05\n", nullptr, kNoChange},
        Refusal{"objective not in the bank", "gdp\n5\nfixinv\n0 0 0.05\n", nullptr,
                "\nCannot find gdp\n" + noSuchObjective("gdp")},
        // s35 is in the bank, but a model of 35 series ends at s34
        Refusal{"bank series outside the model", "s35\n5\nfixinv\n0 0 0.05\n",
                [] { model.seriesCount = kSmallSeries - 1; }, noSuchObjective("s35")},
        Refusal{"specification failure", "s11\n5\nFixinv\n0 0 0.05\n", nullptr,
                "Fixinv is not the name of a dependent variable.\n"},
        // refused before the search
        Refusal{"coefficient file would replace the specification", kSpec, [] { model.specFileName = "opt.dat"; },
                "The new coefficient file opt.dat would replace opt.dat: give the specification file "
                "another name.\n"},
        // heart.dat's draw matrix takes five blocks and Y one; the simplex's row table fails
        Refusal{"work vectors that cannot be had", kSpec, [] { limitAllocations(6); }, "Not enough space.\n"}));

TEST_F(Driver, ChangesFileThatCannotBeCreatedFailsTheRun) {
    writeFile("opt.spc", kSpec);
    std::filesystem::create_directory("Changes.chg");
    ConsoleCapture console("k");
    EXPECT_FALSE(runOptimiser());
    EXPECT_TRUE(console.output().ends_with("Could not create Changes.chg.\n")) << console.output();
    EXPECT_FALSE(fileExists("opt.dat"));
}

TEST_F(Driver, LoadFailureEndsTheRun) {
    writeFile("opt.spc", kSpec);
    model.endIndex = kSmallBankLength + 5;
    ConsoleCapture console;
    EXPECT_EQ(exitCodeOf([] { runOptimiser(); }), 2);
}

}  // namespace
