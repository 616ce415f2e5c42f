// The add command: runs another command file, with its arguments as %1..%9,
// in a nested command loop.
#pragma once

#include <cstdio>

// Deepest nesting of command files; an add command beyond it is refused.
inline constexpr int kMaxAddDepth = 64;

// The command file opened for reading; absent when it cannot be opened or is
// not a plain file (a folder reads as an empty file).
FILE* openCommandFile(const char* name);

// The nested loop's result (1, 101 or 27), or -1 when no file was run.
int addCommand(FILE* input);
