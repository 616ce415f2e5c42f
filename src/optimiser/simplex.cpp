// Downhill simplex: reflection, expansion, contraction and shrinking, with
// every stored value rounded to 32 bits and the comparisons kept exact.
#include "optimiser/simplex.h"

#include <cmath>

#include "base/console.h"

namespace {

const char* const kInitialLabel = "Initial:     ";
const char* const kReflectLabel = "Reflect:     ";
const char* const kExpandLabel = "Expand:      ";
const char* const kContractLabel = "Contract:    ";
const char* const kShrinkLabel = "Shrink:      ";

void sumColumns(const FloatMatrix& P, FloatVector& columnSum, int n) {
    for (int j = 1; j <= n; ++j) {
        float sum = 0.0f;
        for (int i = 1; i <= n + 1; ++i) sum = sum + P[i][j];
        columnSum[j] = sum;
    }
}

// Vertex order of one iteration: the lowest (last among equals), the highest
// and the next highest value.
struct VertexOrder {
    int lo;
    int hi;
    int nextHi;
};

VertexOrder orderVertices(const FloatVector& Y, int n) {
    VertexOrder order{1, 2, 1};
    if (Y[1] > Y[2]) {
        order.hi = 1;
        order.nextHi = 2;
    }
    for (int i = 1; i <= n + 1; ++i) {
        if (Y[i] <= Y[order.lo]) order.lo = i;
        if (Y[i] > Y[order.hi]) {
            order.nextHi = order.hi;
            order.hi = i;
        } else if (Y[i] > Y[order.nextHi] && i != order.hi) {
            order.nextHi = i;
        }
    }
    return order;
}

void moveBestToFirstRow(FloatMatrix& P, FloatVector& Y, int n, int lo) {
    float value = Y[1];
    Y[1] = Y[lo];
    Y[lo] = value;
    for (int j = 1; j <= n; ++j) {
        float coordinate = P[1][j];
        P[1][j] = P[lo][j];
        P[lo][j] = coordinate;
    }
}

// Halves every vertex's distance to vertex lo and evaluates the moved vertices.
// A coordinate whose halving vanishes in the rounding takes lo's coordinate.
void shrinkTowards(FloatMatrix& P, FloatVector& Y, FloatVector& columnSum, int n, int lo,
                   ObjectiveFunction f) {
    for (int i = 1; i <= n + 1; ++i) {
        if (i == lo) continue;
        for (int j = 1; j <= n; ++j) {
            float old = P[i][j];
            double middle = (static_cast<double>(old) + P[lo][j]) * 0.5;
            bool moved = std::fabs(old - middle) > 0;
            float stored = static_cast<float>(middle);
            if (moved && stored == old) stored = P[lo][j];
            P[i][j] = stored;
            columnSum[j] = stored;
        }
        Y[i] = f(columnSum);
    }
    sumColumns(P, columnSum, n);
}

}  // namespace

bool simplexTry(FloatMatrix& P, FloatVector& Y, FloatVector& columnSum, int n,
                ObjectiveFunction f, int hi, float factor, float& trialValue) {
    FloatVector trial = allocVector(1, n);
    if (!trial) return false;
    float weightA = static_cast<float>((1.0 - factor) / n);
    float weightB = static_cast<float>(static_cast<double>(weightA) - factor);
    for (int j = 1; j <= n; ++j) {
        trial[j] = static_cast<float>(static_cast<double>(columnSum[j]) * weightA -
                                      static_cast<double>(P[hi][j]) * weightB);
    }
    trialValue = f(trial);
    if (trialValue < Y[hi]) {
        Y[hi] = trialValue;
        for (int j = 1; j <= n; ++j) {
            columnSum[j] = static_cast<float>(static_cast<double>(trial[j]) - P[hi][j] +
                                              columnSum[j]);
            P[hi][j] = trial[j];
        }
    }
    freeVector(trial);
    return true;
}

bool simplexSearch(FloatMatrix& P, FloatVector& Y, int n, float ftol, ObjectiveFunction f) {
    FloatVector columnSum = allocVector(1, n);
    if (!columnSum) return false;
    sumColumns(P, columnSum, n);
    const char* label = kInitialLabel;
    int stall = 0;
    float best = 0.0f;
    bool first = true;
    printOut("\nStarting or restarting maximization\n");
    for (;;) {
        VertexOrder order = orderVertices(Y, n);
        if (first) {
            best = Y[order.hi];
            first = false;
        }
        if (Y[order.hi] < best) {
            best = Y[order.hi];
            stall = 0;
        } else {
            ++stall;
        }
        printOut("%s     %20.7f\t%20.7f\n", label, Y[order.lo], Y[order.hi]);
        float spread = static_cast<float>(
            2.0 * std::fabs(static_cast<double>(Y[order.hi]) - Y[order.lo]) /
            (std::fabs(static_cast<double>(Y[order.hi])) + std::fabs(static_cast<double>(Y[order.lo])) +
             1e-10));
        if (spread < ftol || stall >= 10 * n) {
            moveBestToFirstRow(P, Y, n, order.lo);
            freeVector(columnSum);
            return true;
        }
        float trialValue = 0.0f;
        bool tried = simplexTry(P, Y, columnSum, n, f, order.hi, -1.0f, trialValue);
        label = kReflectLabel;
        if (tried && trialValue <= Y[order.lo]) {
            tried = simplexTry(P, Y, columnSum, n, f, order.hi, 2.0f, trialValue);
            label = kExpandLabel;
        } else if (tried && !(trialValue < Y[order.nextHi])) {
            float savedValue = Y[order.hi];
            tried = simplexTry(P, Y, columnSum, n, f, order.hi, 0.5f, trialValue);
            label = kContractLabel;
            if (tried && !(trialValue < savedValue)) {
                shrinkTowards(P, Y, columnSum, n, order.lo, f);
                label = kShrinkLabel;
            }
        }
        if (!tried) {
            freeVector(columnSum);
            return false;
        }
    }
}
