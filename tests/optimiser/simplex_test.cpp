// The downhill simplex on small functions with known minima and on scripted
// functions whose values force each kind of move.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "optimiser/simplex.h"
#include "base/arrays.h"
#include "support/harness.h"

namespace {

using Point = std::vector<float>;
std::vector<Point> evaluated;

Point pointOf(const FloatVector& x) {
    Point point;
    for (int j = x.lo; j <= x.hi; ++j) point.push_back(x[j]);
    return point;
}

// The sum of weight (x - centre)^2, plus its minimum.
struct Bowl {
    std::vector<double> centre, weight;
    double floor;
};
const Bowl kBowl1{{1.5}, {1}, 2};
const Bowl kBowl2{{1, -2}, {1, 2}, 3};
const Bowl kBowl3{{0.5, 2, -1}, {1, 1, 3}, 1};
Bowl bowlShape;

float bowl(const FloatVector& x) {
    evaluated.push_back(pointOf(x));
    double value = 0;
    for (int j = 1; j <= x.hi; ++j) {
        double d = x[j] - bowlShape.centre[j - 1];
        value += bowlShape.weight[j - 1] * d * d;
    }
    return static_cast<float>(value + bowlShape.floor);
}

float vee(const FloatVector& x) {
    evaluated.push_back(pointOf(x));
    return static_cast<float>(std::fabs(x[1] - 0.5) + 100.0);
}

// Values of chosen points; every other point is worth scriptDefault.
std::map<Point, float> script;
float scriptDefault;

float scripted(const FloatVector& x) {
    evaluated.push_back(pointOf(x));
    auto found = script.find(pointOf(x));
    return found == script.end() ? scriptDefault : found->second;
}

// Vertices with the given values, or with their values under f.
struct Simplex {
    FloatMatrix P;
    FloatVector Y;
    int n;

    Simplex(const std::vector<Point>& vertices, const std::vector<float>& values, ObjectiveFunction f = nullptr)
        : n(static_cast<int>(vertices.size()) - 1) {
        P = allocMatrix(1, n + 1, 1, n);
        Y = allocVector(1, n + 1);
        for (int i = 1; i <= n + 1; ++i) {
            for (int j = 1; j <= n; ++j) P[i][j] = vertices[i - 1][j - 1];
            Y[i] = f ? f(P[i]) : values[i - 1];
        }
        evaluated.clear();
    }
    ~Simplex() {
        freeMatrix(P);
        freeVector(Y);
    }
    bool search(ObjectiveFunction f) { return simplexSearch(P, Y, n, 0.0005f, f); }
};

// The console text of a search: its opening line, then a label, the lowest
// and the highest value for each step.
struct Step {
    std::string label;
    double lo, hi;
};
std::string progress(const std::vector<Step>& steps) {
    std::string text = "\nStarting or restarting maximization\n";
    char line[128];
    for (const Step& step : steps) {
        std::snprintf(line, sizeof line, "%-13s     %20.7f\t%20.7f\n", (step.label + ":").c_str(), step.lo, step.hi);
        text += line;
    }
    return text;
}

class SimplexSearch : public ::testing::Test {
protected:
    void SetUp() override {
        evaluated.clear();
        script.clear();
        scriptDefault = 0.0f;
        bowlShape = kBowl1;
    }
};

TEST_F(SimplexSearch, BowlsReachTheirMinima) {
    struct Case {
        Bowl shape;
        std::vector<Point> start;
        double tolerance;  // of the best vertex from the centre
        double slack;      // of its value above the minimum, relative
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
        Simplex s(c.start, {}, bowl);
        ASSERT_TRUE(s.search(bowl));
        for (int j = 1; j <= s.n; ++j) EXPECT_NEAR(s.P[1][j], c.shape.centre[j - 1], c.tolerance) << j;
        EXPECT_LE(s.Y[1], c.shape.floor * (1 + c.slack));
        for (int i = 2; i <= s.n + 1; ++i) EXPECT_GE(s.Y[i], s.Y[1]);
        EXPECT_EQ(bowl(s.P[1]), s.Y[1]);  // Y[1] is the value of row 1
        EXPECT_EQ(console.output().rfind(progress({}) + "Initial:     ", 0), 0u);
    }
}

TEST_F(SimplexSearch, AllEqualValuesReturnAtOnceWithTheLastVertexFirst) {
    ConsoleCapture console;
    Simplex s({{1.0f, 2.0f}, {3.0f, 4.0f}, {5.0f, 6.0f}}, {7.0f, 7.0f, 7.0f});
    ASSERT_TRUE(s.search(bowl));
    EXPECT_TRUE(evaluated.empty());
    EXPECT_EQ(pointOf(s.P[1]), (Point{5.0f, 6.0f}));
    EXPECT_EQ(pointOf(s.P[3]), (Point{1.0f, 2.0f}));
    EXPECT_EQ(console.output(), progress({{"Initial", 7, 7}}));
}

TEST_F(SimplexSearch, KnownCaseExpandsThenContracts) {
    ConsoleCapture console;
    Simplex s({{0.0f}, {0.25f}}, {}, vee);
    ASSERT_TRUE(s.search(vee));
    EXPECT_EQ(console.output(), progress({{"Initial", 100.25, 100.5}, {"Expand", 100, 100.25},
                                          {"Contract", 100, 100.125}, {"Contract", 100, 100.0625},
                                          {"Contract", 100, 100.03125}}));
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
    ASSERT_TRUE(s.search(scripted));
    EXPECT_EQ(console.output(), progress({{"Initial", 0, 3}, {"Reflect", 0, 2}, {"Expand", 0, 1},
                                          {"Shrink", 0, 0.5}, {"Expand", 0, 0.25}, {"Expand", 0, 0}}));
    // The shrink evaluates each moved vertex at its new place.
    ASSERT_EQ(evaluated.size(), 11u);
    EXPECT_EQ(evaluated[1], (Point{0.0f, -1.0f}));
    EXPECT_EQ(evaluated[5], (Point{0.0f, -0.5f}));
    EXPECT_EQ(evaluated[6], (Point{0.5f, -1.0f}));
    // All values equal at the end: the last vertex is moved to row 1.
    EXPECT_EQ(pointOf(s.P[1]), (Point{0.0f, -1.5f}));
    EXPECT_EQ(pointOf(s.P[3]), (Point{0.5f, -1.5f}));
}

TEST_F(SimplexSearch, StallStopsAfterTenIterationsPerParameter) {
    scriptDefault = 5.0f;
    for (int n : {1, 3}) {
        ConsoleCapture console;
        std::vector<Point> vertices(static_cast<size_t>(n + 1), Point(static_cast<size_t>(n), 0.0f));
        std::vector<float> values(static_cast<size_t>(n + 1), 5.0f);
        for (int i = 1; i <= n; ++i) vertices[i][i - 1] = 1.0f;
        values[0] = 1.0f;
        Simplex s(vertices, values);
        ASSERT_TRUE(s.search(scripted));
        // one progress line per iteration after the opening line
        const std::string out = console.output();
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 10 * n) << out;
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
    ASSERT_TRUE(s.search(scripted));
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
    EXPECT_EQ(evaluated, (std::vector<Point>{{2.0f, -4.0f}}));
    EXPECT_EQ(value, 1.0f + 8.0f + 3.0f);
    EXPECT_EQ(s.Y[3], 12.0f);
    EXPECT_EQ(pointOf(s.P[3]), (Point{2.0f, -4.0f}));
    EXPECT_EQ(pointOf(columnSum), (Point{4.0f, -4.0f}));
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
    Simplex s({{0.0f}, {0.25f}}, {}, bowl);
    limitAllocations(0);
    EXPECT_FALSE(s.search(bowl));
    limitAllocations(1);
    EXPECT_FALSE(s.search(bowl));
    limitAllocations(-1);
    EXPECT_EQ(console.output(), "Not enough space.\n" + progress({{"Initial", 2.0 + 1.5625, 2.0 + 2.25}}) +
                                    "Not enough space.\n");
}

}  // namespace
