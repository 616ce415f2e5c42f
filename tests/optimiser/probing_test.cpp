// Probing around the base point and the test that ends the probing cycles.
#include <cmath>
#include <limits>
#include <ostream>
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
    return static_cast<float>(d * d + (x.hi >= 2 ? x[2] : 0.0));
}

std::vector<float> coordinates(const FloatVector& x) {
    std::vector<float> values;
    for (int j = x.lo; j <= x.hi; ++j) values.push_back(x[j]);
    return values;
}

struct ProbeCase {
    const char* why;
    float target;
    std::vector<float> base, steps;
    std::vector<std::vector<float>> vertices;  // rows 2..n+1 after probing
    int evaluations;
};
void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.why; }

class Probing : public ModelTest, public ::testing::WithParamInterface<ProbeCase> {
protected:
    FloatMatrix P;
    FloatVector Y;
    FloatVector probe;

    void TearDown() override {
        freeMatrix(P);
        freeVector(Y);
        freeVector(probe);
        ModelTest::TearDown();
    }
};

TEST_P(Probing, MovesEachVertexAlongItsOwnCoordinate) {
    const ProbeCase& c = GetParam();
    const int n = static_cast<int>(c.base.size());
    target = c.target;
    model.parameterStep = c.steps;
    P = allocMatrix(1, n + 1, 1, n);
    Y = allocVector(1, n + 1);
    probe = allocVector(1, n);
    for (int i = 1; i <= n + 1; ++i)
        for (int j = 1; j <= n; ++j) P[i][j] = c.base[static_cast<size_t>(j - 1)];
    evaluations = 0;
    probeVertices(P, Y, probe, n, bowl);

    EXPECT_EQ(evaluations, c.evaluations);
    std::vector<std::vector<float>> rows{c.base};
    rows.insert(rows.end(), c.vertices.begin(), c.vertices.end());
    for (int i = 1; i <= n + 1; ++i) {
        EXPECT_EQ(coordinates(P[i]), rows[static_cast<size_t>(i - 1)]) << "vertex " << i;
        EXPECT_EQ(Y[i], bowl(P[i])) << "vertex " << i;
    }
    // The probe point carries every coordinate of the vertex evaluated last.
    EXPECT_EQ(coordinates(probe), coordinates(P[n + 1]));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Probing,
    ::testing::Values(
        ProbeCase{"plus step kept when not worse", 1.0f, {0.0f}, {1.0f}, {{1.0f}}, 2},
        // the second step of 0 leaves its probe where the base is, of equal value: kept
        ProbeCase{"equal value keeps the plus step", 0.0f, {0.0f, 0.0f}, {1.0f, 0.0f},
                  {{static_cast<float>(-1.0 + 0.9), 0.0f}, {0.0f, 0.0f}}, 1 + 3 + 1},
        ProbeCase{"minus step better than the base", -1.0f, {0.0f}, {1.0f}, {{-1.0f}}, 3},
        ProbeCase{"a tenth of a step on the plus side", 0.02f, {0.0f}, {1.0f},
                  {{static_cast<float>(-1.0 + 1.1)}}, 4},
        ProbeCase{"a tenth of a step on the minus side", -0.02f, {0.0f}, {1.0f},
                  {{static_cast<float>(-1.0 + 0.9)}}, 4},
        // 0.75 is as good as 0.25; the negative step lowers the slope term
        ProbeCase{"each vertex its own coordinate", 0.5f, {0.25f, 3.0f}, {0.5f, -2.0f},
                  {{0.75f, 3.0f}, {0.25f, 1.0f}}, 1 + 1 + 1}));

TEST(ProbingCycles, EndWithoutAClearGainOnTheOptimum) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float m, y1;
        bool improved;
    };
    const Case cases[] = {
        // a positive optimum needs a relative gain
        {9999.5f, 10000.0f, false}, {9999.0f, 10000.0f, true}, {10000.0f, 10000.0f, false},
        {0.0f, 0.0f, false}, {-1.0f, 0.0f, true},
        // so does a negative one
        {-100.0f, -100.0f, false}, {-100.005f, -100.0f, false}, {-100.02f, -100.0f, true},
        // undefined values end the cycles
        {nan, 1.0f, false}, {1.0f, nan, false}, {-inf, -inf, false},
    };
    for (const Case& c : cases) EXPECT_EQ(probingImproved(c.m, c.y1), c.improved) << c.m << " " << c.y1;
}

}  // namespace
