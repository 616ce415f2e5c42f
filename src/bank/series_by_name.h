// One series of the workspace bank by name, over the bank's whole period range.
#pragma once

#include <cstdint>
#include <vector>

// Values indexed by bank period index; at least 600 entries, bankLength when longer.
using ValueTable = std::vector<float>;

// A zeroed table for the open bank.
ValueTable makeValueTable();

// "  did you mean NAME?" on a line of its own, for the first of the bank's
// names closest to `name` within two edits; nothing when there is none.
void suggestSimilarName(const char* name);

// Reads the named series; sets model.frequency from its record. 0 or -1
// after a message naming it and, where there is one, a similar bank name.
int readSeries(const char* name, ValueTable& table);
// Reads the series at bank position k (0 <= k < nameCount); sets model.frequency. 0 or -1.
int readSeriesAt(int32_t k, ValueTable& table);
// The frequency byte of the series at bank position k; 0 when it cannot be read.
int16_t recordFrequency(int32_t k);
// Writes the table under the name, appending the name to the index when new,
// and rewrites the index file. Returns the bank position, or -1.
int32_t writeSeries(const char* name, const ValueTable& table);
