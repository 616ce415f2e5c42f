// Coefficient draws from model.random, each equation's deviates kept in its
// cached block so that a trial allocates nothing after the first.
#include "stochastic/coefficient_draws.h"

#include "base/arrays.h"
#include "base/exit.h"
#include "base/random.h"
#include "state/model_state.h"

namespace {

// coefficients[i] += M[i][k] * z[k] over every i and k, z fresh standard
// normal deviates in the block's room for them, obtained at its first draw.
void drawEquation(FloatVector& coefficients, CoefficientBlock& block, int n) {
    if (!block.deviates) {
        block.deviates = allocVector(0, n - 1);
        if (!block.deviates) endProcess(kExitNoMemoryForDraws);
    }
    float* z = &block.deviates[0];
    for (int k = 0; k < n; ++k) z[k] = static_cast<float>(normalDeviate(model.random));
    for (int i = 0; i < n; ++i) {
        const float* row = &block.matrix[i][0];
        float sum = coefficients[i];
        for (int k = 0; k < n; ++k) sum = static_cast<float>(static_cast<double>(row[k]) * z[k] + sum);
        coefficients[i] = sum;
    }
}

}  // namespace

void drawCoefficients() {
    for (int e = 0; e < model.equationCount; ++e) {
        const int n = model.coefCount[e];
        if (model.equationKind[e] == 's' && n > 0)
            drawEquation(model.coef[e], model.trialCache.coefficientBlocks[static_cast<size_t>(e)], n);
    }
}
