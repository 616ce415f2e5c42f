// One equation's block of heart.dat as read: name, coefficients and, for a
// stochastic equation, rho, SEE and the draw matrix, with room for the
// deviates of a coefficient draw. Owns its matrix and that room.
#pragma once

#include <string>
#include <vector>

#include "base/arrays.h"

struct CoefficientBlock {
    std::string name;           // first word of the block, at most 19 characters
    std::vector<float> values;  // coefCount[equation] coefficients
    float rho = 0.0f;           // stochastic equations only
    float see = 0.0f;           // stochastic equations only
    FloatMatrix matrix;         // stochastic equations with coefficients: rows, columns 0..n-1
    FloatVector deviates;       // 0..n-1 once the equation's coefficients have been drawn

    CoefficientBlock() = default;
    ~CoefficientBlock() {
        freeMatrix(matrix);
        freeVector(deviates);
    }
    CoefficientBlock(const CoefficientBlock&) = delete;
    CoefficientBlock& operator=(const CoefficientBlock&) = delete;
};
