// vornbank: makes and reads vorn's binary banks. Its verbs, and what the
// import and workdir verbs share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/tool_kit.h"

// Runs one command (the words after the program name); its exit code.
int runVornbank(const std::vector<std::string>& args);

// The frequency --frequency names, or 0 when the option is absent.
int16_t frequencyOption(const std::string& verb, const VerbArgs& parsed);
// A CSV file as import reads it, checked against the bank origin in the model
// record: its first and last period and the number of series it names.
struct CsvSummary {
    PeriodDate first;
    PeriodDate last;
    size_t seriesCount;
};
CsvSummary summariseCsv(const std::string& path, int16_t frequency);

int runCreate(const std::vector<std::string>& args);
int runImport(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);
int runList(const std::vector<std::string>& args);
int runInfo(const std::vector<std::string>& args);
int runLags(const std::vector<std::string>& args);
int runWorkdir(const std::vector<std::string>& args);
int runChart(const std::vector<std::string>& args);
int runTrials(const std::vector<std::string>& args);
int runPercentiles(const std::vector<std::string>& args);
int runCompare(const std::vector<std::string>& args);

// BANK's value against BASE's: the difference, or with `percent` the
// percentage deviation; NaN where a value is missing or (percent) BASE is 0.
double deviationOf(float value, float base, bool percent);
