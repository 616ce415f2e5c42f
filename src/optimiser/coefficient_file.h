// The optimiser's new coefficient file: heart.dat's layout with the optimised
// coefficients, named after the specification file.
#pragma once

#include <string>

// The specification file's name up to the first '.' of its last path part,
// then ".dat". False when that stem is longer than 30 characters.
bool coefficientFileName(const char* specFileName, std::string& name);

// True, after a message, when a file of that name would replace heart.dat or
// the specification file.
bool replacesInputFile(const std::string& name);

// Walks heart.dat once more (rho and SEE read again, each draw matrix kept for
// writing) and writes every equation's block with the values in coef. False
// after a message when the file cannot be named, created or written.
bool writeOptimisedCoefficients();
