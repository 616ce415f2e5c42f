// The fixer's commands that need no module of their own: addprint, title,
// maxiter and pause.
#pragma once

#include <cstdio>

// addprint y|n: echo of command-file lines on or off.
void addprintCommand(FILE* input);
// title <rest of the line>: the bank's 80-byte title field.
void titleCommand();
// maxiter <n>: passes between the period loop's questions.
void maxiterCommand(FILE* input);
// pause: waits for one character; 27 when the escape key ends a command file,
// otherwise 0.
int pauseCommand(FILE* input);
