// The one way a run ends early: every fatal path calls endProcess with its exit
// code. It flushes the console and unwinds as a ProcessExit to the top of the
// program (or to a test), which puts back every bank file the run changed and
// did not commit, and returns the code.
#pragma once

// Every exit code of vorn and its tools, named by cause. A number serves several
// causes where the programs have always given them the same code; the README's
// table of exit codes lists exactly these numbers (a test checks it).
enum ExitCode : int {
    kExitNormal = 0,                   // a normal end, after the bank writes
    kExitToolFailure = 1,              // vornbank and vornfit: bad input or bank
    kExitBadDate = 1,                  // no date, or a bad date, on the command line
    kExitRunRefused = 1,               // refused before anything is read or written
    kExitNoMemoryForSeries = 1,        // "Not enough space for a forecast this long."
    kExitUsage = 2,                    // a usage error; the usage text goes to standard error
    kExitSeriesNotLoaded = 2,          // the series cannot be loaded
    kExitTrialsFileRefused = 2,        // --trials that cannot be honoured
    kExitCoefficientDimensions = 3,    // heart.dim missing or malformed, heart.dat missing
    kExitOptimiserSpec = 3,            // an optimiser specification that cannot be read
    kExitOperatorEnded = 3,            // `e` (or end of input) at a non-convergence prompt
    kExitStochasticGaveUp = 3,         // too many trials failed to converge
    kExitMaximizationError = 3,        // "An error occured during maximization."
    kExitNoMemoryForMeans = 3,         // out of memory: each table has always had a code of its own
    kExitCoefficientBlock = 4,         // heart.dat malformed
    kExitConfig = 4,                   // no vorn.cfg, or an entry of it too long
    kExitNoMemoryForSquares = 4,
    kExitNoMemoryForDrawMatrix = 4,
    kExitBankOpen = 5,                 // a bank file that cannot be opened, a journal that cannot be applied
    kExitSigmaCopy = 5,                // the sigma bank cannot be copied
    kExitNoTableMemory = 5,            // no memory for the static or optimiser table
    kExitBankHeader = 6,               // a bank's header or data file does not fit together
    kExitNoMemoryForRho = 6,
    kExitBankIndex = 7,                // a bad bank index
    kExitSolvedNotWritten = 7,         // the solved series cannot be written
    kExitNoMemoryForSee = 7,
    kExitNoMemoryForErrors = 7,
    kExitBankWrite = 8,                // bank files that cannot be written or synced
    kExitLagFileMissing = 8,           // vorn.lag missing
    kExitNoMemoryForLags = 9,
    kExitNoMemoryForDraws = 9,
    kExitLagFileShort = 10,            // vorn.lag shorter than its count
    kExitNoMemoryForFixes = 11,
    kExitNoMemoryForTables = 12,       // the series or the coefficient table
    kExitQuit = 13,                    // the fixer's `quit`: ends before solving, keeping what was written
    kExitNoMemoryForCoefficients = 13,
    kExitRefusedCommands = 14,         // solved and written, but fix-file commands were refused
    kExitBankBusy = 15,                // the bank is in use by another process
    kExitJournalUntrusted = 16,        // a journal that cannot be trusted
    kExitMissingBaseValue = 17,        // a value the base pass reads is missing
    kExitNotFinite = 18,               // a value that is not finite would be written into a bank
};

// Every name of ExitCode, once each, in the order above, for what walks the whole table.
inline constexpr ExitCode kExitCodes[] = {
    kExitNormal,           kExitToolFailure,           kExitBadDate,           kExitRunRefused,
    kExitNoMemoryForSeries, kExitUsage,                kExitSeriesNotLoaded,   kExitTrialsFileRefused,
    kExitCoefficientDimensions, kExitOptimiserSpec,   kExitOperatorEnded,     kExitStochasticGaveUp,
    kExitMaximizationError, kExitNoMemoryForMeans,    kExitCoefficientBlock,  kExitConfig,
    kExitNoMemoryForSquares, kExitNoMemoryForDrawMatrix, kExitBankOpen,       kExitSigmaCopy,
    kExitNoTableMemory,    kExitBankHeader,            kExitNoMemoryForRho,    kExitBankIndex,
    kExitSolvedNotWritten, kExitNoMemoryForSee,        kExitNoMemoryForErrors, kExitBankWrite,
    kExitLagFileMissing,   kExitNoMemoryForLags,       kExitNoMemoryForDraws,  kExitLagFileShort,
    kExitNoMemoryForFixes, kExitNoMemoryForTables,     kExitQuit,              kExitNoMemoryForCoefficients,
    kExitRefusedCommands,  kExitBankBusy,              kExitJournalUntrusted,  kExitMissingBaseValue,
    kExitNotFinite,
};

struct ProcessExit {
    int code;
};

[[noreturn]] void endProcess(int code);
