// ModelState: the one record of a run. Every subsystem reads and writes its
// fields directly; there is exactly one instance, `model`, zero at start.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/arrays.h"
#include "base/dates.h"
#include "base/random.h"
#include "state/trial_cache.h"

// The bank's missing-value marker, the float nearest -0.000001 (bits B58637BD).
inline constexpr float kMissingValue = -0.000001f;
// Values from -1.1e-6 to -9e-7 inclusive count as the marker where the run reads them.
inline constexpr double kMissingBandLow = -0.0000011;
inline constexpr double kMissingBandHigh = -0.0000009;
inline bool inMissingBand(float value) { return value >= kMissingBandLow && value <= kMissingBandHigh; }

// Series 7 decides convergence of a period.
inline constexpr int kCheckSeries = 7;

// Slots of the fix table; slot 0 is never used.
inline constexpr int kFixSlots = 1000;

// Periods in a value table when the bank is shorter; longer banks size it from bankLength.
inline constexpr int kValueTableLength = 600;

struct ModelState {
    // Run mode and settings
    int16_t drawCount;
    int16_t randomErrors;
    int16_t randomCoefficients;
    bool stochasticRun;     // random errors or random coefficients: trials, then the sigma bank
    bool staticSimulation;  // the fixer's `static`: a static pass beside the dynamic one
    bool maximize;          // the optimiser runs before the solution
    const char* specFileName;
    int32_t maxIterations;
    bool quietProgress = false;  // no progress lines for passes, periods and trials
    int32_t clockSeed = -1;  // the seed the clock gave, shown before the trials; -1 when one was given

    // Dates and period bookkeeping
    float startDate;
    float endDate;
    float printFrom;
    float printTo;
    int16_t frequency;
    int16_t runFrequency;  // the frequency of the run's two dates
    float currentDate;
    int32_t startIndex;
    int32_t endIndex;
    int32_t periodCount;
    int32_t period;
    int32_t currentIndex;
    int32_t iterationCount;

    // Workspace bank
    FILE* bankDataFile;
    FILE* bankIndexFile;
    int16_t bankBaseYear;
    int16_t bankBaseMonth;
    int16_t bankLength;
    int16_t nameCount;
    std::vector<uint16_t> nameOffsets;  // nameCount + 1 entries; grows as names are added
    std::vector<char> namePool;         // zero-terminated names, one after the other

    // Series
    int32_t seriesCount;
    std::vector<int8_t> seriesLags;
    std::vector<FloatVector> series;  // series[i][t], t = -seriesLags[i] .. periodCount
    FloatMatrix staticValues;         // rows 0..seriesCount, columns 1..periodCount-1
    FloatMatrix savedSeries;          // rows 0..seriesCount-1, columns 0..periodCount
    std::vector<int32_t> fixOfSeries; // 0 no fix, -1 skip, else a fix slot

    // Equations and coefficients
    int16_t equationCount;
    int16_t declaredEquationCount;
    std::vector<char> equationKind;   // 's' marks a stochastic equation
    std::vector<int16_t> coefCount;
    std::vector<FloatVector> coef;    // coef[e][k], k < coefCount[e]; absent when coefCount[e] is 0
    FloatVector errorRho;             // 0..equationCount-1
    FloatVector errorSee;             // 0..equationCount-1
    FloatVector equationErrors;       // 0..equationCount-1
    FILE* coefficientStream;
    std::vector<std::string> equationNames;

    // Fix table
    int32_t fixCount;
    char fixType[kFixSlots];
    int32_t fixParam[kFixSlots];
    float fixValue[kFixSlots];

    // Optimiser
    int16_t parameterCount;
    std::vector<int16_t> parameterEquation;
    std::vector<int16_t> parameterCoefficient;
    std::vector<float> parameterStep;
    std::vector<std::string> parameterNames;
    std::string objectiveName;
    int16_t objectiveSeries;

    // Fixer reader
    std::string lineBuffer;           // the line being delivered; from a file at most 239 characters and its line end
    size_t linePos;
    int16_t currentChar;              // -1 is end of input
    int16_t pushbackChar;             // above 0 when a character waits
    bool repeatPending;               // the last token is delivered again
    char lastTokenKind;
    char lastTokenText[120];
    bool consoleInput;                // lines come from the console
    bool addPrint;                    // lines read from files are echoed (the fixer's addprint)
    const std::vector<std::string>* addArguments;  // absent without arguments
    const char* commandFile;          // the command file being read; absent at the console
    int32_t commandLine;              // lines read from it so far
    bool fixFileStarted;              // the first add at the console, the fix file's, has run
    bool readingFixFile;              // the command file is the fix file or one it adds
    std::vector<std::string> refusedCommands;  // "FILE, line N: TEXT" of each refused command of the fix file

    // The random stream of stochastic runs, with its seed
    RandomState random;

    // What the solution runs of this process read once only
    TrialCache trialCache;
};

extern ModelState model;

// The calendar of the open bank, which every date of the run is read against.
inline BankCalendar bankCalendar() { return {model.bankBaseYear, model.bankBaseMonth}; }

// Release what the record owns (series, coefficients, name index, lag and fix
// tables, error vectors, optional tables, what the trial cache keeps; closes
// the coefficient stream) in teardown order, each pointer absent afterwards.
void releaseModelState();

// Release, then return every field, the generator's own state included, to zero.
void resetModelState();
