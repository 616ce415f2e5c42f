// Date numbers (1995, 1995.3, 1995.012, 1995.6) and bank period indexes, and
// the look-up of a series name in the bank's name pool. Every conversion is a
// function of the bank's calendar, which the caller passes in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where a bank's periods begin: the year and month (1 to 12) of its period 0.
struct BankCalendar {
    int32_t baseYear;
    int32_t baseMonth;
};

// A period of a bank.
struct PeriodDate {
    int32_t index;      // bank period index
    int16_t frequency;  // 1, 2, 4 or 12
};

// The index periodOfDate gives for a date of no frequency (thousandths 450 or
// negative), a year of a million or more either side of 0, or not a number.
inline constexpr int32_t kInvalidDateIndex = INT32_MIN;

// The bank period of a date number and the frequency its decimals announce.
// The index is kInvalidDateIndex, and the frequency 1, for a date that is
// neither annual, monthly, quarterly nor semi-annual, and for one too far out
// to count periods to.
PeriodDate periodOfDate(BankCalendar calendar, double date);

// The frequency a date written in the notation announces (1995: 1, 1995.1 to
// 1995.4: 4, 1995.5 and 1995.6: 2, 1995.001 to 1995.012: 12), or 0 when the
// text is anything else, trailing text included.
int16_t dateTextFrequency(const std::string& text);

// "annual", "semi-annual", "quarterly", "monthly", or "" for other codes.
const char* frequencyName(int16_t frequency);

// Prints "\nBad date <text>: ..." for a date the caller could not convert.
void reportBadDate(const char* text);

// The date of the period after `date` at `frequency` (a step of 0.1 for
// quarterly and 0.001 for monthly dates); `date` itself for a frequency of no
// notation.
float nextDate(float date, int16_t frequency);

