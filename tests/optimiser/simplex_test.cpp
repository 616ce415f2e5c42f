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

using Point = std::vector<float>;
std::vector<Point> evaluated;

void record(const FloatVector& x) {
    Point point;
    for (int j = x.lo; j <= x.hi; ++j) point.push_back(x[j]);
    evaluated.push_back(point);
}

// sum of weight (x - centre)^2, plus a floor: the minimum
struct Bowl {
    std::vector<double> centre;
    std::vector<double> weight;
    double floor;
};
const Bowl kBowl1{{1.5}, {1}, 2};
const Bowl kBowl2{{1, -2}, {1, 2}, 3};
const Bowl kBowl3{{0.5, 2, -1}, {1, 1, 3}, 1};
Bowl bowlShape = kBowl1;

float bowl(const FloatVector& x) {
    record(x);
    double value = 0;
    for (int j = 1; j <= x.hi; ++j) {
        double d = x[j] - bowlShape.centre[j - 1];
        value += bowlShape.weight[j - 1] * d * d;
    }
    return static_cast<float>(value + bowlShape.floor);
}

float vee(const FloatVector& x) {
    record(x);
    return static_cast<float>(std::fabs(x[1] - 0.5) + 100.0);
}

// Values of chosen points of the plane; every other point is worth scriptDefault.
std::map<std::pair<float, float>, float> script;
float scriptDefault = 0.0f;

float scripted(const FloatVector& x) {
    record(x);
    auto found = script.find({x[1], x.hi >= 2 ? x[2] : 0.0f});
    return found == script.end() ? scriptDefault : found->second;
}

struct Simplex {
    FloatMatrix P;
    FloatVector Y;
    int n;

    Simplex(const std::vector<Point>& vertices, const std::vector<float>& values)
        : n(static_cast<int>(values.size()) - 1) {
        P = allocMatrix(1, n + 1, 1, n);
        Y = allocVector(1, n + 1);
        for (int i = 1; i <= n + 1; ++i) {
            for (int j = 1; j <= n; ++j) P[i][j] = vertices[i - 1][j - 1];
            Y[i] = values[i - 1];
        }
    }
    // Vertices with their values from f.
    Simplex(const std::vector<Point>& vertices, ObjectiveFunction f)
        : Simplex(vertices, std::vector<float>(vertices.size(), 0.0f)) {
        for (int i = 1; i <= n + 1; ++i) Y[i] = valueOfRow(i, f);
        evaluated.clear();
    }
    ~Simplex() {
        freeMatrix(P);
        freeVector(Y);
    }
    float valueOfRow(int i, ObjectiveFunction f) const {
        FloatVector x = allocVector(1, n);
        for (int j = 1; j <= n; ++j) x[j] = P[i][j];
        float value = f(x);
        freeVector(x);
        return value;
    }
    Point row(int i) const {
        Point point;
        for (int j = 1; j <= n; ++j) point.push_back(P[i][j]);
        return point;
    }
};

const std::string kStart = "\nStarting or restarting maximization\n";

std::string progressLine(const char* label, double lo, double hi) {
    char text[128];
    std::snprintf(text, sizeof text, "%s     %20.7f\t%20.7f\n", label, lo, hi);
    return text;
}

size_t progressLines(const std::string& output) {
    size_t lines = 0;
    for (size_t at = output.find(":     "); at != std::string::npos; at = output.find(":     ", at + 1)) ++lines;
    return lines;
}

class SimplexSearch : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        evaluated.clear();
        script.clear();
        scriptDefault = 0.0f;
        bowlShape = kBowl1;
    }
    void TearDown() override {
        limitAllocations(-1);
        ModelTest::TearDown();
    }
};

TEST_F(SimplexSearch, BowlsReachTheirMinima) {
    struct Case {
        Bowl shape;
        std::vector<Point> start;
        double tolerance;  // of the best vertex from the centre
        double slack;      // of its value above the floor, relative
    };
    const Case cases[] = {
        {kBowl1, {{0.0f}, {0.3f}}, 0.05, 0.0005},
        {kBowl2, {{0.0f, 0.0f}, {0.5f, 0.0f}, {0.0f, -0.5f}}, 0.1, 0.002},
        {kBowl3, {{0.0f, 0.0f, 0.0f}, {0.3f, 0.0f, 0.0f}, {0.0f, 0.3f, 0.0f}, {0.0f, 0.0f, 0.3f}}, 0.1, 0.002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start.size());
        bowlShape = c.shape;
        ConsoleCapture console;
        Simplex s(c.start, bowl);
        ASSERT_TRUE(simplexSearch(s.P, s.Y, s.n, 0.0005f, bowl));
        for (int j = 1; j <= s.n; ++j) EXPECT_NEAR(s.P[1][j], c.shape.centre[j - 1], c.tolerance) << j;
        EXPECT_LE(s.Y[1], c.shape.floor * (1 + c.slack));
        for (int i = 2; i <= s.n + 1; ++i) EXPECT_GE(s.Y[i], s.Y[1]);
        // Y[1] is the value of row 1.
        EXPECT_EQ(s.valueOfRow(1, bowl), s.Y[1]);
        EXPECT_EQ(console.output().rfind(kStart + "Initial:     ", 0), 0u);
    }
}

TEST_F(SimplexSearch, AllEqualValuesReturnAtOnceWithTheLastVertexFirst) {
    ConsoleCapture console;
    Simplex s({{1.0f, 2.0f}, {3.0f, 4.0f}, {5.0f, 6.0f}}, {7.0f, 7.0f, 7.0f});
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 2, 0.0005f, bowl));
    EXPECT_TRUE(evaluated.empty());
    EXPECT_EQ(s.row(1), (Point{5.0f, 6.0f}));
    EXPECT_EQ(s.row(3), (Point{1.0f, 2.0f}));
    EXPECT_EQ(console.output(), kStart + "Initial:                     7.0000000\t           7.0000000\n");
}

TEST_F(SimplexSearch, KnownCaseExpandsThenContracts) {
    ConsoleCapture console;
    Simplex s({{0.0f}, {0.25f}}, vee);
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 1, 0.0005f, vee));
    EXPECT_EQ(console.output(), kStart + progressLine("Initial:     ", 100.25, 100.5) +
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
    EXPECT_EQ(console.output(), kStart + progressLine("Initial:     ", 0, 3) +
                                    progressLine("Reflect:     ", 0, 2) + progressLine("Expand:      ", 0, 1) +
                                    progressLine("Shrink:      ", 0, 0.5) +
                                    progressLine("Expand:      ", 0, 0.25) + progressLine("Expand:      ", 0, 0));
    // The shrink evaluates each moved vertex at its new place.
    ASSERT_EQ(evaluated.size(), 11u);
    EXPECT_EQ(evaluated[1], (Point{0.0f, -1.0f}));
    EXPECT_EQ(evaluated[5], (Point{0.0f, -0.5f}));
    EXPECT_EQ(evaluated[6], (Point{0.5f, -1.0f}));
    // All values equal at the end: the last vertex is moved to row 1.
    EXPECT_EQ(s.row(1), (Point{0.0f, -1.5f}));
    EXPECT_EQ(s.row(3), (Point{0.5f, -1.5f}));
}

TEST_F(SimplexSearch, StallStopsAfterTenIterationsPerParameter) {
    scriptDefault = 5.0f;
    for (int n : {1, 3}) {
        ConsoleCapture console;
        std::vector<Point> vertices;
        std::vector<float> values;
        for (int i = 0; i <= n; ++i) {
            vertices.emplace_back(n, 0.0f);
            if (i > 0) vertices.back()[i - 1] = 1.0f;
            values.push_back(i == 0 ? 1.0f : 5.0f);
        }
        Simplex s(vertices, values);
        evaluated.clear();
        ASSERT_TRUE(simplexSearch(s.P, s.Y, n, 0.0005f, scripted));
        EXPECT_EQ(progressLines(console.output()), static_cast<size_t>(10 * n)) << console.output();
        // each of the 10n - 1 moves reflects, contracts and shrinks n vertices
        EXPECT_EQ(evaluated.size(), static_cast<size_t>((10 * n - 1) * (n + 2)));
        EXPECT_EQ(s.Y[1], 1.0f);
    }
}

TEST_F(SimplexSearch, ShrinkLostInRoundingTakesTheBestCoordinate) {
    scriptDefault = 1.0f;
    ConsoleCapture console;
    float above = std::nextafter(1.0f, 2.0f);
    Simplex s({{above}, {1.0f}}, {0.0f, 1.0f});
    ASSERT_TRUE(simplexSearch(s.P, s.Y, 1, 0.0005f, scripted));
    EXPECT_EQ(s.P[1][1], above);
    EXPECT_EQ(s.P[2][1], above);
}

TEST_F(SimplexSearch, TryReflectsThroughTheCentroid) {
    bowlShape = kBowl2;
    Simplex s({{0.0f, 0.0f}, {2.0f, 0.0f}, {0.0f, 4.0f}}, {1.0f, 2.0f, 40.0f});
    FloatVector columnSum = allocVector(1, 2);
    columnSum[1] = 2.0f;
    columnSum[2] = 4.0f;
    float value = 0.0f;
    ASSERT_TRUE(simplexTry(s.P, s.Y, columnSum, 2, bowl, 3, -1.0f, value));
    ASSERT_EQ(evaluated.size(), 1u);
    EXPECT_EQ(evaluated[0], (Point{2.0f, -4.0f}));
    EXPECT_EQ(value, 1.0f + 8.0f + 3.0f);
    EXPECT_EQ(s.Y[3], 12.0f);
    EXPECT_EQ(s.row(3), (Point{2.0f, -4.0f}));
    EXPECT_EQ(columnSum[1], 4.0f);
    EXPECT_EQ(columnSum[2], -4.0f);
    // A point no lower than the highest vertex is returned but not taken.
    ASSERT_TRUE(simplexTry(s.P, s.Y, columnSum, 2, bowl, 3, 2.0f, value));
    EXPECT_EQ(evaluated[1], (Point{3.0f, -8.0f}));
    EXPECT_EQ(value, 4.0f + 2.0f * 36.0f + 3.0f);
    EXPECT_EQ(s.Y[3], 12.0f);
    EXPECT_EQ(s.P[3][2], -4.0f);
    freeVector(columnSum);
}

TEST_F(SimplexSearch, WorkVectorsThatCannotBeHadFailTheSearch) {
    ConsoleCapture console;
    Simplex s({{0.0f}, {0.25f}}, bowl);
    limitAllocations(0);
    EXPECT_FALSE(simplexSearch(s.P, s.Y, 1, 0.0005f, bowl));
    limitAllocations(1);
    EXPECT_FALSE(simplexSearch(s.P, s.Y, 1, 0.0005f, bowl));
    EXPECT_EQ(console.output(), "Not enough space.\n" + kStart +
                                    progressLine("Initial:     ", 2.0 + 1.5625, 2.0 + 2.25) +
                                    "Not enough space.\n");
}

}  // namespace
