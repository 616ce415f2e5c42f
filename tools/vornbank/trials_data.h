// Reading the trials file of vorn --trials: the .npy array of trials x series x
// periods and the names and dates beside it, checked whole before any of it is
// used; and the percentiles of a sample.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/date_notation.h"

struct TrialsData {
    std::string path;
    int64_t trials;
    int64_t series;
    int64_t periods;
    std::vector<std::string> names;  // one per series
    std::vector<std::string> dates;  // one per period, in vorn's notation
    int16_t frequency;
    FILE* stream;  // positioned at the first trial
};

// Opens FILE and reads its header, names and dates; anything that is not a
// whole trials file is refused with one line (a file cut short says how many
// whole trials it holds).
TrialsData openTrials(const std::string& path);
void closeTrials(TrialsData& data);
// The series number of each name, refusing a name the file does not hold.
std::vector<int64_t> trialsSeriesOf(const TrialsData& data, const std::vector<std::string>& names);
// Reads the next trial's series x periods values into `values`.
void readNextTrial(TrialsData& data, std::vector<float>& values);
// Every trial's values of the series numbered in `series` over the periods
// first..last, sorted, by series and then period; missing values left out.
// Reads every trial from the stream's position.
std::vector<std::vector<float>> trialSamples(TrialsData& data, const std::vector<int64_t>& series, int64_t first,
                                             int64_t last);
// The first and last period (positions in data.dates) from --from and --to,
// which take any date notation; every period when they are absent.
void trialsPeriodRange(const TrialsData& data, const std::string* from,
                       const std::string* to, int64_t& first, int64_t& last);

// Percentiles from --at: numbers from 0 to 100, increasing, separated by commas.
std::vector<double> percentilesOption(const std::string& verb, const std::string* text);
// The p-th percentile of `sorted` (ascending, not empty), interpolating
// linearly between the order statistics: position (n - 1) p / 100.
double percentileOf(const std::vector<float>& sorted, double p);
// The percentile's text in a column name: 5, 2.5, 97.5.
std::string percentileText(double p);
