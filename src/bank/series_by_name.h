// One series of the workspace bank by name, over the bank's whole period range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bank/bank_status.h"

// Values indexed by bank period index; at least 600 entries, bankLength when longer.
using ValueTable = std::vector<float>;

// A zeroed table for the open bank.
ValueTable makeValueTable();

// "  did you mean NAME?" on a line of its own, for the first of the bank's
// names closest to `name` within two edits; empty when there is none.
std::string similarNameLine(const char* name);

// Reads the named series; sets model.frequency from its record. notRead, with
// lines naming it and, where there is one, a similar bank name.
BankStatus readSeries(const char* name, ValueTable& table);
// Reads the series at bank position k (0 <= k < nameCount); sets model.frequency. notRead on failure.
BankStatus readSeriesAt(int32_t k, ValueTable& table);
// The frequency byte of the series at bank position k; 0 when it cannot be read.
int16_t recordFrequency(int32_t k);
// Writes the table under the name, appending the name to the index when new,
// and rewrites the index file; `position` receives its bank position. Values
// that are not finite are refused (notFinite) before anything is written.
BankStatus writeSeries(const char* name, const ValueTable& table, int32_t& position);
