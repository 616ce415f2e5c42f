// Probing around the base point and the test that ends the probing cycles.
#include <cmath>
#include <limits>
#include <vector>

#include "optimiser/driver.h"
#include "state/model_state.h"
#include "support/harness.h"

namespace {

int evaluations = 0;
float target = 0.0f;

// A bowl in the first coordinate around `target`; the second adds a slope.
float bowl(const FloatVector& x) {
    ++evaluations;
    double d = x[1] - target;
    double value = d * d;
    if (x.hi >= 2) value += x[2];
    return static_cast<float>(value);
}

class Probing : public ModelTest {
protected:
    FloatMatrix P;
    FloatVector Y;
    FloatVector probe;

    void probeAround(std::vector<float> base, std::vector<float> steps) {
        const int n = static_cast<int>(base.size());
        model.parameterStep = steps;
        P = allocMatrix(1, n + 1, 1, n);
        Y = allocVector(1, n + 1);
        probe = allocVector(1, n);
        for (int i = 1; i <= n + 1; ++i)
            for (int j = 1; j <= n; ++j) P[i][j] = base[j - 1];
        evaluations = 0;
        probeVertices(P, Y, probe, n, bowl);
    }
    void TearDown() override {
        freeMatrix(P);
        freeVector(Y);
        freeVector(probe);
        ModelTest::TearDown();
    }
};

TEST_F(Probing, PlusStepKeptWhenNotWorse) {
    target = 1.0f;
    probeAround({0.0f}, {1.0f});
    EXPECT_EQ(P[1][1], 0.0f);
    EXPECT_EQ(P[2][1], 1.0f);
    EXPECT_EQ(Y[1], 1.0f);
    EXPECT_EQ(Y[2], 0.0f);
    EXPECT_EQ(evaluations, 2);
}

TEST_F(Probing, EqualValueKeepsThePlusStep) {
    target = 0.0f;
    probeAround({0.0f, 0.0f}, {1.0f, 0.0f});
    // the second coordinate's step of 0 leaves its probe where the base is
    EXPECT_EQ(P[3][2], 0.0f);
    EXPECT_EQ(Y[3], Y[1]);
    EXPECT_EQ(evaluations, 1 + 3 + 1);
}

TEST_F(Probing, MinusStepWhenBetterThanTheBase) {
    target = -1.0f;
    probeAround({0.0f}, {1.0f});
    EXPECT_EQ(P[2][1], -1.0f);
    EXPECT_EQ(Y[2], 0.0f);
    EXPECT_EQ(evaluations, 3);
}

TEST_F(Probing, TenthOfAStepOnThePlusSide) {
    target = 0.02f;
    probeAround({0.0f}, {1.0f});
    EXPECT_EQ(P[2][1], static_cast<float>(-1.0 + 1.1));
    EXPECT_EQ(evaluations, 4);
    EXPECT_EQ(Y[2], bowl(probe));
}

TEST_F(Probing, TenthOfAStepOnTheMinusSide) {
    target = -0.02f;
    probeAround({0.0f}, {1.0f});
    EXPECT_EQ(P[2][1], static_cast<float>(-1.0 + 0.9));
    EXPECT_EQ(evaluations, 4);
}

TEST_F(Probing, EachVertexMovesItsOwnCoordinate) {
    target = 0.5f;
    probeAround({0.25f, 3.0f}, {0.5f, -2.0f});
    EXPECT_EQ(P[1][1], 0.25f);
    EXPECT_EQ(P[1][2], 3.0f);
    // vertex 2: 0.75 is as good as 0.25
    EXPECT_EQ(P[2][1], 0.75f);
    EXPECT_EQ(P[2][2], 3.0f);
    // vertex 3: the negative step lowers the slope term
    EXPECT_EQ(P[3][1], 0.25f);
    EXPECT_EQ(P[3][2], 1.0f);
    EXPECT_EQ(Y[3], 0.0625f + 1.0f);
    // The probe point carries every coordinate of the vertex evaluated last.
    EXPECT_EQ(probe[1], 0.25f);
    EXPECT_EQ(probe[2], 1.0f);
}

using CycleTest = ModelTest;

TEST_F(CycleTest, PositiveOptimumNeedsARelativeGain) {
    EXPECT_FALSE(probingImproved(9999.5f, 10000.0f));
    EXPECT_TRUE(probingImproved(9999.0f, 10000.0f));
    EXPECT_FALSE(probingImproved(10000.0f, 10000.0f));
    EXPECT_FALSE(probingImproved(0.0f, 0.0f));
    EXPECT_TRUE(probingImproved(-1.0f, 0.0f));
}

TEST_F(CycleTest, NegativeOptimumEndsTheCycles) {
    EXPECT_FALSE(probingImproved(-100.0f, -100.0f));
    EXPECT_FALSE(probingImproved(-100.005f, -100.0f));
    EXPECT_TRUE(probingImproved(-100.02f, -100.0f));
}

TEST_F(CycleTest, UndefinedValuesEndTheCycles) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(probingImproved(nan, 1.0f));
    EXPECT_FALSE(probingImproved(1.0f, nan));
    EXPECT_FALSE(probingImproved(-std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity()));
}

}  // namespace
