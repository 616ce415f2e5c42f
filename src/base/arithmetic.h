// The floating-point environment: exceptions never trap; faults are reported
// at fixed points of the run by checkArithmetic.
#pragma once

// Mask every floating-point exception, denormal operand included.
void maskFloatingPointExceptions();

// If invalid operation, denormal operand, division by zero, overflow or
// underflow is flagged: print "Arithmetic warning <label>\n", clear the flags,
// wait for one character of input, and return 1. Otherwise return 0
// (an inexact result alone is not a fault).
int checkArithmetic(const char* label);
