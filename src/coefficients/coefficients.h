// The coefficient files: heart.dim (equations, kinds, coefficient counts) and
// heart.dat (coefficients, rho, SEE and draw matrix per equation).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/arrays.h"
#include "state/coefficient_block.h"

// Reads heart.dim (or the dimension file at `path`, which the messages then
// name) into equationKind, coefCount, declaredEquationCount; returns the
// number of equation lines.
int16_t readEquationDimensions(const char* path = "heart.dim");
// Puts heart.dat into coef, errorRho, errorSee, reading the file at the first
// call and from model.trialCache afterwards; draws random coefficients when
// randomCoefficients is 1.
void readCoefficients();

// Reads every block of heart.dat from its start without random draws (ending
// the run on a malformed file), the equations' names into equationNames and,
// when takeValues, the values into coef, errorRho and errorSee.
void readNamedCoefficients(bool takeValues);

// Opens heart.dat into model.coefficientStream on the first call ("Cannot open
// heart.dat\n" on the error stream, exit 3) and rewinds it to its start.
void openCoefficientFile();

// Reads the next block of model.coefficientStream as the block of `equation`
// (its kind and count from equationKind and coefCount; the line end after the
// block is skipped unless it is the last equation). Replaces what `block`
// held. A block that ends early, holds a field that is not a number, a name or
// keyword longer than 19 characters, or a keyword other than "coeff" ends the
// run with a message on the error stream and exit code 4.
void readCoefficientBlock(int equation, CoefficientBlock& block);

// Puts a block's coefficients into coef[equation] and, for a stochastic
// equation, its rho and SEE into errorRho and errorSee.
void takeCoefficientBlock(int equation, const CoefficientBlock& block);

// How writeCoefficientBlock prints numbers: six decimals (rho three), the
// optimiser's layout; or nine significant digits, which read back as the same floats.
enum class CoefficientDigits { sixDecimals, roundTrip };

// Writes one block in the layout readCoefficientBlock reads: the name, "coeff =",
// the values three to a line and, for kind 's', rho, SEE, an empty line and the
// count x count matrix a row to a line (`matrix` must hold that many rows and
// columns from 0 when count is above 0). 0, or -1 when the stream reports a
// write error.
int writeCoefficientBlock(FILE* out, const char* name, char kind, const float* values, int count,
                          float rho, float see, const FloatMatrix& matrix,
                          CoefficientDigits digits = CoefficientDigits::sixDecimals);
