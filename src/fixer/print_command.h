// The print command (print, type): one bank series on the console over a
// remembered range of dates.
#pragma once

#include <cstdio>

// 0, or -1 when nothing could be printed.
int printCommand(FILE* input);
