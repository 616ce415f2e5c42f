// The one way a run ends early: every fatal path calls endProcess with its exit
// code. It unwinds as a ProcessExit to main (or to a test), which flushes the
// console and returns the code.
#pragma once

struct ProcessExit {
    int code;
};

[[noreturn]] void endProcess(int code);
