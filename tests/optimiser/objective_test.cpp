// One objective evaluation on an in-memory model: the quiet period loop from
// the saved series, the point's coefficients, and the non-convergence prompt.
#include <string>
#include <utility>

#include "optimiser/objective.h"
#include "base/arrays.h"
#include "state/model_state.h"
#include "small_model.h"
#include "support/harness.h"

namespace {

constexpr int kPeriods = 3;

class Objective : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        buildSmallModel(kPeriods);
        // the constant of investment and its replacement-demand coefficient
        model.parameterCount = 2;
        model.parameterEquation = {0, 0};
        model.parameterCoefficient = {0, 1};
        model.parameterStep = {5.0f, 0.1f};
        model.objectiveSeries = 11;
        point = allocVector(1, 2);
        at(20.0f, 0.9f);
    }
    void TearDown() override {
        freeVector(point);
        ModelTest::TearDown();
    }
    void at(float constant, float replacement) {
        point[1] = constant;
        point[2] = replacement;
    }
    // From a consumption far below its solution the first period needs several passes.
    void unconverged(int passLimit) {
        model.savedSeries[7][1] = 0.0f;
        model.maxIterations = passLimit;
    }
    FloatVector point;
};

TEST_F(Objective, ReturnsTheObjectiveInTheLastPeriodAndKeepsThePoint) {
    ConsoleCapture console;
    at(35.0f, 0.5f);
    float value = evaluateObjective(point);
    EXPECT_EQ(value, model.series[11][kPeriods]);
    EXPECT_EQ(model.coef[0][0], 35.0f);
    EXPECT_EQ(model.coef[0][1], 0.5f);
    EXPECT_EQ(model.coef[0][2], 0.3f);
    // the change in final sales is the identity s10 - s10(t-1) of the solution
    EXPECT_EQ(value, static_cast<float>(static_cast<double>(model.series[10][kPeriods]) -
                                        model.series[10][kPeriods - 1]));
    EXPECT_NE(value, 0.0f);
    EXPECT_NEAR(model.currentDate, 2001.3, 1e-3);
    EXPECT_EQ(model.currentIndex, 20 + kPeriods);
    // Quiet: nothing on the console.
    EXPECT_EQ(console.output(), "");
}

TEST_F(Objective, SamePointGivesTheSameValueWhateverCameBetween) {
    ConsoleCapture console;
    float first = evaluateObjective(point);
    at(80.0f, 0.1f);
    EXPECT_NE(evaluateObjective(point), first);  // the coefficients move the objective
    for (int t = 0; t <= kPeriods; ++t) model.series[7][t] = 5.0f;  // a stray solution
    at(20.0f, 0.9f);
    EXPECT_EQ(evaluateObjective(point), first);
}

TEST_F(Objective, WithoutParametersTheModelStillRuns) {
    ConsoleCapture console;
    model.parameterCount = 0;
    FloatVector none;
    float value = evaluateObjective(none);
    EXPECT_EQ(value, model.series[11][kPeriods]);
    EXPECT_EQ(model.coef[0][0], 20.0f);
    EXPECT_EQ(evaluateObjective(point), value);
}

TEST_F(Objective, MissingMarkerTakesThePreviousPeriodAndLagSlotsStay) {
    ConsoleCapture console;
    model.savedSeries[8][2] = kMissingValue;
    model.savedSeries[9][2] = -0.000002f;
    model.savedSeries[26][2] = 0.0f;
    model.savedSeries[8][1] = 420.0f;
    model.series[2][-1] = 1234.0f;
    evaluateObjective(point);
    EXPECT_EQ(model.series[8][2], 420.0f);
    EXPECT_EQ(model.series[9][2], -0.000002f);
    EXPECT_EQ(model.series[26][2], 0.0f);
    EXPECT_EQ(model.series[2][-1], 1234.0f);
}

const std::string kPrompt =
    " Model is not converging.\nWould you like to try more iterations? Or Exit to check step sizes? "
    "(m,e):";

TEST_F(Objective, NonConvergenceAsksAndEOrTheEndOfInputEnds) {
    // A pass limit below 1 asks after every pass.
    for (auto [passLimit, answer] : {std::pair{1, "e"}, std::pair{0, "e"}, std::pair{1, ""}}) {
        SCOPED_TRACE(testing::Message() << passLimit << " '" << answer << "'");
        unconverged(passLimit);
        ConsoleCapture console(answer);
        EXPECT_EQ(exitCodeOf([&] { evaluateObjective(point); }), 3);
        EXPECT_EQ(console.output(), "\nIteration count = 1 ." + kPrompt);
        EXPECT_EQ(model.period, 1);
    }
}

TEST_F(Objective, AnyOtherKeyGoesOnIterating) {
    unconverged(2);
    ConsoleCapture console("mmmmmmmmmmmmmmmmmmmm");
    float value = evaluateObjective(point);
    std::string out = console.output();
    EXPECT_EQ(out.rfind("\nIteration count = 2 ." + kPrompt, 0), 0u) << out;
    EXPECT_EQ(out.find("\nIteration count = 3 ."), std::string::npos);
    size_t prompts = 0;
    for (size_t k = out.find("(m,e):"); k != std::string::npos; k = out.find("(m,e):", k + 1)) ++prompts;
    EXPECT_EQ(console.remainingInput().size(), 20u - prompts);
    // Going on changes nothing in the result.
    model.maxIterations = 200;
    EXPECT_EQ(evaluateObjective(point), value);
}

}  // namespace
