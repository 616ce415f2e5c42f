// The optimiser's specification: heart.dat read once more for the equations'
// names and stored values, then the specification file with the objective
// variable, the capacity MaxParameters and the step of each varied coefficient.
#pragma once

#include <cstddef>
#include <string>

// Digits, '.', '-', '+' and lower-case 'e' (upper-case 'E' is not one).
bool isNumberChar(int c);

// Skips to the next run of number characters in `line` from `position` and
// converts it (at most 35 characters; a run without a valid prefix is 0),
// moving `position` past it. False, with `position` at the end of the line,
// when the line holds no more numbers.
bool nextNumber(const std::string& line, size_t& position, double& value);

// The specification file named `fileName` into objectiveName and the parameter
// table, against model.equationNames. False after a message when the file
// cannot be used.
bool readSpecificationFile(const char* fileName);

// heart.dat into coef, errorRho, errorSee and equationNames (no random draws),
// then, while maximize is set, the file named by specFileName.
bool readOptimiserSpec();
