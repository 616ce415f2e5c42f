// The coefficient files: heart.dim (equations, kinds, coefficient counts) and
// heart.dat (coefficients, rho, SEE and draw matrix per equation).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/arrays.h"
#include "base/owned_file.h"
#include "state/coefficient_block.h"

// Opens a coefficient file for reading: heart.dim, heart.dat or a file named
// in their place. One that cannot be opened ends the run with "Cannot open
// PATH\n" on the error stream and exit code 3.
OwnedFile openCoefficientInput(const char* path);

// Reads a dimension file from `in` into equationKind, coefCount,
// declaredEquationCount; returns the number of equation lines. The messages
// name the file `path`; a malformed file ends the run with exit code 3.
int16_t readEquationDimensions(FILE* in, const char* path);
// The same for the file at `path`, opened by openCoefficientInput.
int16_t readEquationDimensions(const char* path = "heart.dim");

// The run's heart.dat stream, model.coefficientStream: opened by
// openCoefficientInput at the first call and rewound to its start at every call.
FILE* rewoundCoefficientFile();

// Puts heart.dat into coef, errorRho, errorSee, reading the run's stream at
// the first call and from model.trialCache afterwards.
void readCoefficients();

// Reads every block of `in` from where it stands (ending the run on a malformed
// file), the equations' names into equationNames and, when takeValues, the
// values into coef, errorRho and errorSee.
void readNamedCoefficients(FILE* in, bool takeValues);

// Reads the next block of `in` as the block of `equation` (its kind and count
// from equationKind and coefCount; the line end after the block is skipped
// unless it is the last equation). Replaces what `block` held. A block that
// ends early, holds a field that is not a number, a name or keyword longer than
// 19 characters, or a keyword other than "coeff" ends the run with a message on
// the error stream and exit code 4.
void readCoefficientBlock(FILE* in, int equation, CoefficientBlock& block);

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
