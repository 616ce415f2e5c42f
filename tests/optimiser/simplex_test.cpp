// The downhill simplex on small functions with known minima and on scripted
// functions whose values force each kind of move.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "optimiser/simplex.h"
#include "runctl/arrays.h"
#include "support/harness.h"

namespace {

std::vector<std::vector<float>> evaluated;

void record(const FloatVector& x) {
    std::vector<float> point;
    for (int j = x.lo; j <= x.hi; ++j) point.push_back(x[j]);
    evaluated.push_back(point);
}

float bowl1(const FloatVector& x) {
    record(x);
    double d = x[1] - 1.5;
    return static_cast<float>(d * d + 2.0);
}

float bowl2(const FloatVector& x) {
    record(x);
    double a = x[1] - 1.0;
    double b = x[2] + 2.0;
    return static_cast<float>(a * a + 2.0 * b * b + 3.0);
}

float bowl3(const FloatVector& x) {
    record(x);
    double a = x[1] - 0.5;
    double b = x[2] - 2.0;
    double c = x[3] + 1.0;
    return static_cast<float>(a * a + b * b + 3.0 * c * c + 1.0);
}

float constantFive(const FloatVector& x) {
    record(x);
    return 5.0f;
}

float constantOne(const FloatVector& x) {
    record(x);
    return 1.0f;
}

float vee(const FloatVector& x) {
    record(x);
    return static_cast<float>(std::fabs(x[1] - 0.5) + 100.0);
}

// Values of chosen points of the plane; every other point is worth 0.
std::map<std::pair<float, float>, float> script;

float scripted(const FloatVector& x) {
    record(x);
    auto found = script.find({x[1], x[2]});
    return found == script.end() ? 0.0f : found->second;
}

struct Simplex {
    FloatMatrix P;
    FloatVector Y;
    int n;

    Simplex(const std::vector<std::vector<float>>& vertices, const std::vector<float>& values)
        : n(static_cast<int>(values.size()) - 1) {
        P = allocMatrix(1, n + 1, 1, n);
        Y = allocVector(1, n + 1);
        for (int i = 1; i <= n + 1; ++i) {
            for (int j = 1; j <= n; ++j) P[i][j] = vertices[i - 1][j - 1];
            Y[i] = values[i - 1];
        }
    }
    // Vertices with their values from f.
    Simplex(const std::vector<std::vector<float>>& vertices, ObjectiveFunction f)
        : Simplex(vertices, std::vector<float>(vertices.size(), 0.0f)) {
        FloatVector x = allocVector(1, n);
        for (int i = 1; i <= n + 1; ++i) {
            for (int j = 1; j <= n; ++j) x[j] = P[i][j];
            Y[i] = f(x);
        }
        freeVector(x);
        evaluated.clear();
    }
    ~Simplex() {
        freeMatrix(P);
        freeVector(Y);
    }
};

std::string progressLine(const char* label, double lo, double hi) {
    char text[128];
    std::snprintf(text, sizeof text, "%s     %20.7f\t%20.7f\n", label, lo, hi);
    return text;
}

// Labels of the progress lines, in order.
std::vector<std::string> labelsOf(const std::string& output) {
    std::vector<std::string> labels;
    size_t at = 0;
    while ((at = output.find(":     ", at)) != std::string::npos) {
        size_t start = output.rfind('\n', at);
        labels.push_back(output.substr(start + 1, at + 1 - (start + 1)));
        at += 1;
    }
    return labels;
}

class SimplexSearch : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        evaluated.clear();
        script.clear();
    }
    void TearDown() override {
        limitAllocations(-1);
        ModelTest::TearDown();
    }
};

TEST_F(SimplexSearch, OneDimensionalBowlReachesItsMinimum) {
    ConsoleCapture console;
    Simplex s({{0.0f}, {0.3f}}, bowl1);
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 1, 0.0005f, bowl1));
    EXPECT_NEAR(s.P[1][1], 1.5, 0.05);
    EXPECT_LE(s.Y[1], 2.0 * (1 + 0.0005));
    for (int i = 2; i <= 2; ++i) EXPECT_GE(s.Y[i], s.Y[1]);
    EXPECT_EQ(console.output().rfind("\nStarting or restarting maximization\nInitial:     ", 0), 0u);
}

TEST_F(SimplexSearch, TwoDimensionalBowlReachesItsMinimum) {
    ConsoleCapture console;
    Simplex s({{0.0f, 0.0f}, {0.5f, 0.0f}, {0.0f, -0.5f}}, bowl2);
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 2, 0.0005f, bowl2));
    EXPECT_NEAR(s.P[1][1], 1.0, 0.1);
    EXPECT_NEAR(s.P[1][2], -2.0, 0.1);
    EXPECT_LE(s.Y[1], 3.0 * (1 + 0.002));
    for (int i = 2; i <= 3; ++i) EXPECT_GE(s.Y[i], s.Y[1]);
}

TEST_F(SimplexSearch, ThreeDimensionalBowlReachesItsMinimum) {
    ConsoleCapture console;
    Simplex s({{0.0f, 0.0f, 0.0f}, {0.3f, 0.0f, 0.0f}, {0.0f, 0.3f, 0.0f}, {0.0f, 0.0f, 0.3f}},
              bowl3);
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 3, 0.0005f, bowl3));
    EXPECT_NEAR(s.P[1][1], 0.5, 0.1);
    EXPECT_NEAR(s.P[1][2], 2.0, 0.1);
    EXPECT_NEAR(s.P[1][3], -1.0, 0.1);
    EXPECT_LE(s.Y[1], 1.0 * (1 + 0.002));
    // Y[1] is the value of row 1.
    FloatVector x = allocVector(1, 3);
    for (int j = 1; j <= 3; ++j) x[j] = s.P[1][j];
    EXPECT_EQ(bowl3(x), s.Y[1]);
    freeVector(x);
}

TEST_F(SimplexSearch, AllEqualValuesReturnAtOnceWithTheLastVertexFirst) {
    ConsoleCapture console;
    Simplex s({{1.0f, 2.0f}, {3.0f, 4.0f}, {5.0f, 6.0f}}, {7.0f, 7.0f, 7.0f});
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 2, 0.0005f, bowl2));
    EXPECT_TRUE(evaluated.empty());
    EXPECT_EQ(s.P[1][1], 5.0f);
    EXPECT_EQ(s.P[1][2], 6.0f);
    EXPECT_EQ(s.P[3][1], 1.0f);
    EXPECT_EQ(s.P[3][2], 2.0f);
    EXPECT_EQ(console.output(),
              "\nStarting or restarting maximization\n"
              "Initial:                     7.0000000\t           7.0000000\n");
}

TEST_F(SimplexSearch, KnownCaseExpandsThenContracts) {
    ConsoleCapture console;
    Simplex s({{0.0f}, {0.25f}}, vee);
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 1, 0.0005f, vee));
    EXPECT_EQ(console.output(), "\nStarting or restarting maximization\n" +
                                    progressLine("Initial:     ", 100.25, 100.5) +
                                    progressLine("Expand:      ", 100, 100.25) +
                                    progressLine("Contract:    ", 100, 100.125) +
                                    progressLine("Contract:    ", 100, 100.0625) +
                                    progressLine("Contract:    ", 100, 100.03125));
    EXPECT_EQ(s.P[1][1], 0.5f);
    EXPECT_EQ(s.Y[1], 100.0f);
    EXPECT_EQ(s.P[2][1], 0.46875f);
    // reflect, expand, then reflect and contract three times
    EXPECT_EQ(evaluated.size(), 8u);
}

TEST_F(SimplexSearch, LabelsFollowTheMovesOfAScriptedCase) {
    script[{1.0f, -1.0f}] = 1.0f;     // reflection better than the next highest only
    script[{-1.0f, 0.0f}] = 1.0f;     // reflection no better than the highest
    script[{0.5f, -0.75f}] = 1.0f;    // contraction equal to the highest: shrink
    script[{0.0f, -0.5f}] = 0.5f;     // shrunk vertex 1
    script[{0.5f, -1.0f}] = 0.25f;    // shrunk vertex 3
    ConsoleCapture console;
    Simplex s({{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}}, {0.0f, 2.0f, 3.0f});
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 2, 0.0005f, scripted));
    EXPECT_EQ(labelsOf(console.output()),
              (std::vector<std::string>{"Initial:", "Reflect:", "Expand:", "Shrink:", "Expand:",
                                        "Expand:"}));
    EXPECT_EQ(console.output(), "\nStarting or restarting maximization\n" +
                                    progressLine("Initial:     ", 0, 3) +
                                    progressLine("Reflect:     ", 0, 2) +
                                    progressLine("Expand:      ", 0, 1) +
                                    progressLine("Shrink:      ", 0, 0.5) +
                                    progressLine("Expand:      ", 0, 0.25) +
                                    progressLine("Expand:      ", 0, 0));
    // The shrink evaluates each moved vertex at its new place.
    ASSERT_EQ(evaluated.size(), 11u);
    EXPECT_EQ(evaluated[1], (std::vector<float>{0.0f, -1.0f}));
    EXPECT_EQ(evaluated[5], (std::vector<float>{0.0f, -0.5f}));
    EXPECT_EQ(evaluated[6], (std::vector<float>{0.5f, -1.0f}));
    // All values equal at the end: the last vertex is moved to row 1.
    EXPECT_EQ(s.P[1][1], 0.0f);
    EXPECT_EQ(s.P[1][2], -1.5f);
    EXPECT_EQ(s.P[3][1], 0.5f);
    EXPECT_EQ(s.P[3][2], -1.5f);
}

TEST_F(SimplexSearch, StallStopsAfterTenIterationsPerParameter) {
    for (int n : {1, 3}) {
        ConsoleCapture console;
        std::vector<std::vector<float>> vertices;
        std::vector<float> values;
        for (int i = 0; i <= n; ++i) {
            std::vector<float> vertex(n, 0.0f);
            if (i > 0) vertex[i - 1] = 1.0f;
            vertices.push_back(vertex);
            values.push_back(i == 0 ? 1.0f : 5.0f);
        }
        Simplex s(vertices, values);
        evaluated.clear();
        ASSERT_TRUE(simplexSearch(s.P, s.Y, n, 0.0005f, constantFive));
        std::string out = console.output();
        EXPECT_EQ(labelsOf(out).size(), static_cast<size_t>(10 * n)) << out;
        // each of the 10n - 1 moves reflects, contracts and shrinks n vertices
        EXPECT_EQ(evaluated.size(), static_cast<size_t>((10 * n - 1) * (n + 2)));
        EXPECT_EQ(s.Y[1], 1.0f);
    }
}

TEST_F(SimplexSearch, ShrinkLostInRoundingTakesTheBestCoordinate) {
    ConsoleCapture console;
    float above = std::nextafter(1.0f, 2.0f);
    Simplex s({{above}, {1.0f}}, {0.0f, 1.0f});
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 1, 0.0005f, constantOne));
    EXPECT_EQ(s.P[1][1], above);
    EXPECT_EQ(s.P[2][1], above);
}

TEST_F(SimplexSearch, TryReflectsThroughTheCentroid) {
    Simplex s({{0.0f, 0.0f}, {2.0f, 0.0f}, {0.0f, 4.0f}}, {1.0f, 2.0f, 40.0f});
    FloatVector columnSum = allocVector(1, 2);
    columnSum[1] = 2.0f;
    columnSum[2] = 4.0f;
    float value = 0.0f;
    ASSERT_TRUE(simplexTry(s.P, s.Y, columnSum, 2, bowl2, 3, -1.0f, value));
    ASSERT_EQ(evaluated.size(), 1u);
    EXPECT_EQ(evaluated[0], (std::vector<float>{2.0f, -4.0f}));
    EXPECT_EQ(value, 1.0f + 8.0f + 3.0f);
    EXPECT_EQ(s.Y[3], 12.0f);
    EXPECT_EQ(s.P[3][1], 2.0f);
    EXPECT_EQ(s.P[3][2], -4.0f);
    EXPECT_EQ(columnSum[1], 4.0f);
    EXPECT_EQ(columnSum[2], -4.0f);
    // A point no lower than the highest vertex is returned but not taken.
    ASSERT_TRUE(simplexTry(s.P, s.Y, columnSum, 2, bowl2, 3, 2.0f, value));
    EXPECT_EQ(evaluated[1], (std::vector<float>{3.0f, -8.0f}));
    EXPECT_EQ(value, 4.0f + 2.0f * 36.0f + 3.0f);
    EXPECT_EQ(s.Y[3], 12.0f);
    EXPECT_EQ(s.P[3][2], -4.0f);
    freeVector(columnSum);
}

TEST_F(SimplexSearch, WorkVectorsThatCannotBeHadFailTheSearch) {
    ConsoleCapture console;
    Simplex s({{0.0f}, {0.25f}}, bowl1);
    limitAllocations(0);
    EXPECT_FALSE(simplexSearch(s.P, s.Y, 1, 0.0005f, bowl1));
    limitAllocations(1);
    EXPECT_FALSE(simplexSearch(s.P, s.Y, 1, 0.0005f, bowl1));
    EXPECT_EQ(console.output(), "Not enough space.\n"
                                "\nStarting or restarting maximization\n" +
                                    progressLine("Initial:     ", 2.0 + 1.5625, 2.0 + 2.25) +
                                    "Not enough space.\n");
}

}  // namespace
