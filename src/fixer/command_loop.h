// The fixer's command loop over one input (a command file or the console).
#pragma once

#include <cstdio>

inline constexpr int kFixerGo = 1;
inline constexpr int kFixerEndOfInput = 101;
inline constexpr int kFixerEscape = 27;

// 1 when go or run ended the loop, 101 at the end of the input, 27 when a pause
// in a command file was answered with the escape key.
int fixerLoop(FILE* input);
