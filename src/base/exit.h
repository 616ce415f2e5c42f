// The one way a run ends early: every fatal path calls endProcess with its exit
// code. It puts back every bank file the run changed and not committed, then
// unwinds as a ProcessExit to main (or to a test), which flushes the console
// and returns the code.
#pragma once

// The exit code of a run whose bank files cannot be written.
inline constexpr int kBankWriteExit = 8;
// The exit code of a run solved and written although fix-file commands were refused.
inline constexpr int kRefusedCommandsExit = 14;
// The exit code of a process refused a bank that another process holds.
inline constexpr int kBankBusyExit = 15;
// The exit code of a process refused a bank whose journal cannot be trusted.
inline constexpr int kJournalUntrustedExit = 16;
// The exit code of a run refused because a value the base pass reads is missing.
inline constexpr int kMissingBaseValueExit = 17;
// The exit code of a run that would write a value that is not finite into a bank.
inline constexpr int kNotFiniteExit = 18;

struct ProcessExit {
    int code;
};

[[noreturn]] void endProcess(int code);
