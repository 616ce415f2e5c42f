// The named series of a bank read whole, and a second bank checked to share
// its calendar: for charts and comparisons.
#pragma once

#include <string>
#include <vector>

#include "bank/bank_header.h"
#include "bank/series_by_name.h"

// One bank's values of one series.
struct BankSeries {
    int16_t frequency;
    ValueTable values;
};

// The value at bank period p, or the missing-value marker past the series' end.
float valueAt(const BankSeries& series, int32_t p);

struct ChartBank {
    std::string base;
    BankHeader header;
    std::vector<BankSeries> series;
};

// Reads the named series of one bank; a name the bank lacks or a frequency
// without a date notation is refused.
ChartBank readChartBank(const std::string& base, const std::vector<std::string>& names);
// A second bank (named in failures as "the ROLE bank") must put every series on
// the same calendar as `main`.
ChartBank readMatchingBank(const std::string& role, const std::string& word, const ChartBank& main,
                           const std::vector<std::string>& names);
