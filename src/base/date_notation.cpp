// Date notations for CSV files and command lines. vorn's own notation is the
// reference: every other notation is turned into it, and a text counts only
// when vorn's own conversion of that date number gives the same period, so
// every date the tools write or accept means the same to vorn.
#include "base/date_notation.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "base/dates.h"

namespace {

int32_t floorDiv(int32_t a, int32_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// vorn's bank period of the date number written in the text.
bool convertsTo(BankCalendar calendar, const std::string& text, int32_t index, int16_t frequency) {
    float date = static_cast<float>(std::strtod(text.c_str(), nullptr));
    PeriodDate converted = periodOfDate(calendar, date);
    return converted.index == index && converted.frequency == frequency;
}

// A period as a calendar reads it: the year and the number of the period within
// it (1 for a year, 1-2 halves, 1-4 quarters, 1-12 months).
struct YearPeriod {
    int32_t year;
    int32_t number;
};

std::string vornText(YearPeriod p, int16_t frequency) {
    char buffer[48];
    switch (frequency) {
    case 1: std::snprintf(buffer, sizeof buffer, "%d", p.year); break;
    case 2: std::snprintf(buffer, sizeof buffer, "%d.%d", p.year, p.number + 4); break;
    case 4: std::snprintf(buffer, sizeof buffer, "%d.%d", p.year, p.number); break;
    default: std::snprintf(buffer, sizeof buffer, "%d.%03d", p.year, p.number); break;
    }
    return buffer;
}

// Reads `count` digits (1 to `count` when `upTo`) at `at`; the value, or -1.
int32_t digitsAt(const std::string& text, size_t& at, size_t count, bool upTo = false) {
    size_t start = at;
    while (at < text.size() && at - start < count && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at == start || (!upTo && at - start != count)) return -1;
    return std::atoi(text.substr(start, at - start).c_str());
}

bool isLeapYear(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// What a text in one of the common notations names. An ISO day leaves
// `frequency` 0 and gives its month in `period.number`.
struct CommonDate {
    int16_t frequency;
    YearPeriod period;
};

// 1995Q1 1995q1 1995-Q1 1995 Q1 1995:1 / 1995M01 1995m1 1995-01 / 1995H1 1995S1 / 1995-01-01.
bool readCommonDate(const std::string& text, CommonDate& date) {
    size_t at = 0;
    int32_t year = digitsAt(text, at, 4);
    if (year < 0) return false;
    date.period = {year, 1};
    if (at == text.size()) {
        date.frequency = 1;
        return true;
    }
    char separator = text[at];
    if (separator == '-' || separator == ':' || separator == ' ') ++at;
    if (at == text.size()) return false;
    char tag = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at])));
    int32_t number = -1;
    if (separator == ':') {
        date.frequency = 4;
        number = digitsAt(text, at, 1);
    } else if (tag == 'Q' || tag == 'M' || tag == 'H' || tag == 'S') {
        ++at;
        date.frequency = tag == 'Q' ? 4 : tag == 'M' ? 12 : 2;
        number = digitsAt(text, at, date.frequency == 12 ? 2 : 1, true);
    } else if (separator == '-') {
        date.frequency = 12;
        number = digitsAt(text, at, 2);
        if (number >= 1 && number <= 12 && at < text.size() && text[at] == '-') {
            ++at;
            static const int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            int32_t day = digitsAt(text, at, 2);
            int32_t days = kDays[number - 1] + (number == 2 && isLeapYear(year) ? 1 : 0);
            if (day < 1 || day > days) return false;
            date.frequency = 0;
        }
    }
    date.period.number = number;
    int32_t periods = date.frequency == 0 ? 12 : date.frequency;
    return at == text.size() && number >= 1 && number <= periods;
}

}  // namespace

bool parseDate(BankCalendar calendar, const std::string& text, PeriodDate& date) {
    int16_t frequency = dateTextFrequency(text);
    if (frequency == 0) return false;
    float number = static_cast<float>(std::strtod(text.c_str(), nullptr));
    PeriodDate period = periodOfDate(calendar, number);
    std::string canonical;
    if (period.index == kInvalidDateIndex || period.frequency != frequency ||
        !formatDate(calendar, period.index, frequency, canonical) || canonical != text)
        return false;
    date = period;
    return true;
}

namespace {

// The period of the bank that a text in a common notation names.
bool commonDatePeriod(BankCalendar calendar, const std::string& text, int16_t frequency, PeriodDate& date,
                      std::string& problem) {
    CommonDate common{0, {0, 0}};
    if (!readCommonDate(text, common)) {
        problem = "is not a date in any accepted notation";
        return false;
    }
    YearPeriod period = common.period;
    if (common.frequency == 0) {
        if (!knownFrequency(frequency)) {
            problem = "is a day, and a day needs the frequency of its period (annual, semi-annual, "
                      "quarterly or monthly)";
            return false;
        }
        common.frequency = frequency;
        period.number = (period.number - 1) / (12 / frequency) + 1;
    }
    if (!parseDate(calendar, vornText(period, common.frequency), date)) {
        problem = "is not a period that vorn's dates can name in this bank";
        return false;
    }
    return true;
}

}  // namespace

bool parseDateNotation(BankCalendar calendar, const std::string& text, int16_t frequency, PeriodDate& date,
                       std::string& problem) {
    PeriodDate read{0, 0};
    if (!parseDate(calendar, text, read) && !commonDatePeriod(calendar, text, frequency, read, problem))
        return false;
    if (frequency != 0 && read.frequency != frequency) {
        problem = std::string("is ") + frequencyName(read.frequency) + ", not " + frequencyName(frequency);
        return false;
    }
    date = read;
    return true;
}

bool formatDate(BankCalendar calendar, int32_t index, int16_t frequency, std::string& text, DateStyle style) {
    if (!knownFrequency(frequency)) return false;
    int32_t n = index + periodsIntoBaseYear(frequency, calendar.baseMonth);
    YearPeriod period{calendar.baseYear + floorDiv(n, frequency), n - frequency * floorDiv(n, frequency) + 1};
    std::string vorn = vornText(period, frequency);
    if (dateTextFrequency(vorn) != frequency || !convertsTo(calendar, vorn, index, frequency)) return false;
    char buffer[48];
    switch (style) {
    case DateStyle::vorn:
        text = vorn;
        return true;
    case DateStyle::iso:
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-01", period.year, (period.number - 1) * (12 / frequency) + 1);
        break;
    case DateStyle::letter:
        if (frequency == 1) std::snprintf(buffer, sizeof buffer, "%d", period.year);
        if (frequency == 2) std::snprintf(buffer, sizeof buffer, "%dH%d", period.year, period.number);
        if (frequency == 4) std::snprintf(buffer, sizeof buffer, "%dQ%d", period.year, period.number);
        if (frequency == 12) std::snprintf(buffer, sizeof buffer, "%dM%02d", period.year, period.number);
        break;
    }
    text = buffer;
    return true;
}

int32_t periodsIntoBaseYear(int16_t frequency, int32_t baseMonth) {
    return (baseMonth - 1) / (12 / frequency);
}

bool knownFrequency(int16_t frequency) { return frequencyName(frequency)[0] != '\0'; }

int16_t frequencyOfName(const std::string& name) {
    std::string lower;
    for (char c : name) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    for (int16_t frequency : {1, 2, 4, 12})
        if (lower == frequencyName(frequency) || lower == std::to_string(frequency)) return frequency;
    return 0;
}

std::string periodText(BankCalendar calendar, int32_t index, int16_t frequency) {
    std::string text;
    return formatDate(calendar, index, frequency, text) ? text : "period " + std::to_string(index);
}
