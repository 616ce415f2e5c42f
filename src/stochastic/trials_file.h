// The trials file of a stochastic run (vorn --trials FILE): every effective
// trial's values of the model's series over periods 0..periodCount, streamed
// as the trials end into a NumPy .npy array of little-endian 32-bit floats,
// trials x series x periods, with the series names and the dates in two text
// files beside it, one per line. The files are made fresh under temporary
// names and take their own names only when the run has ended well.
#pragma once

#include <cstdint>
#include <string>

// Bytes before the first value: the .npy preamble and its header, padded so
// that the values start at the same place whatever the shape.
inline constexpr long kTrialsHeaderSize = 128;

// The names of the two text files beside FILE: FILE without a trailing .npy,
// then "-series.txt" and "-dates.txt".
std::string trialsSeriesName(const std::string& file);
std::string trialsDatesName(const std::string& file);

// The .npy header for `trials` x `series` x `periods` floats, kTrialsHeaderSize bytes.
std::string trialsHeader(int64_t trials, int64_t series, int64_t periods);

// Makes the temporary files next to FILE once the run's series and periods are
// known (after start-up, before the fixer); a file that cannot be made, or a
// FILE that would replace a bank file or something other than a regular file,
// ends the run (exit code 2) before anything is written.
void openTrialsFile(const std::string& file);
bool trialsFileOpen();
// Appends the current values of the model's series as one trial.
void writeTrial();
// Writes the header with the number of trials written and the two text files,
// syncs them and gives all three their names; a failure ends the run (exit code 8).
void finishTrialsFile();
// Removes the temporary files of a run that did not end well (nothing when none are open).
void abandonTrialsFile();
