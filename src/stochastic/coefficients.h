// The coefficient files: heart.dim (equations, kinds, coefficient counts) and
// heart.dat (coefficients, rho, SEE and draw matrix per equation).
#pragma once

#include <cstdint>

// Reads heart.dim into equationKind, coefCount, declaredEquationCount; returns
// the number of equation lines.
int16_t readEquationDimensions();
// Reads heart.dat into coef, errorRho, errorSee; draws random coefficients when
// randomCoefficients is 1.
void readCoefficients();
