// Date numbers (1995, 1995.3, 1995.012, 1995.6) and bank period indexes, and
// the look-up of a series name in the bank's name pool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What dateToIndex returns for a date of no frequency (thousandths 450 or
// negative), a year of a million or more either side of 0, or not a number.
inline constexpr int32_t kInvalidDateIndex = INT32_MIN;

// Bank period index of a date number; sets model.frequency. Returns
// kInvalidDateIndex for a date that is neither annual, monthly, quarterly nor
// semi-annual, and for one too far out to count periods to.
int32_t dateToIndex(double date);

// The frequency a date written in the notation announces (1995: 1, 1995.1 to
// 1995.4: 4, 1995.5 and 1995.6: 2, 1995.001 to 1995.012: 12), or 0 when the
// text is anything else, trailing text included.
int16_t dateTextFrequency(const std::string& text);

// "annual", "semi-annual", "quarterly", "monthly", or "" for other codes.
const char* frequencyName(int16_t frequency);

// Prints "\nBad date <text>: ..." for a date the caller could not convert.
void reportBadDate(const char* text);

// The date increment of one period at a frequency: 0.1 quarterly, 0.001
// monthly, 1 otherwise.
float dateStepFor(int16_t frequency);

// The date of the period after `date`, at model.frequency (model.dateStep for
// quarterly and monthly dates).
float nextDate(float date);

