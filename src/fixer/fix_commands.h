// The fix commands cta, mul, ovr, rho and skip: entries of the fix table, and
// for cta, mul and ovr the fix values written to the bank as NAME:f.
#pragma once

#include <cstdio>

// Longest series name that can take a fix with values: NAME:f stays a token.
inline constexpr int kFixNameMax = 37;

// kind is 'c', 'm', 'o', 'r' or 's'. 0 when the fix was recorded, -1 otherwise.
int addFix(FILE* input, char kind);
