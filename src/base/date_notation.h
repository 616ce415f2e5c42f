// Dates in CSV files and on command lines: vorn's own notation (1995.1) and the
// common ones of spreadsheets and statistics offices (1995Q1, 1995-01, ISO days),
// read as periods of the bank whose calendar is given, and written back. Tools
// that take dates (vornbank and the tools built next to it) share these functions.
#pragma once

#include <cstdint>
#include <string>

#include "base/dates.h"

// vorn's notation only: 1995 (annual), 1995.1 to 1995.4 (quarterly), 1995.5 and
// 1995.6 (semi-annual halves), 1995.001 to 1995.012 (monthly). False when the
// text is not one of these forms or its date number does not give back the
// same period of the bank.
bool parseDate(BankCalendar calendar, const std::string& text, PeriodDate& date);
inline constexpr const char* kDateForms = "1995, 1995.1 to 1995.4, 1995.5 or 1995.6, 1995.001 to 1995.012";

// Any accepted notation (kDateNotations). `frequency` is the frequency the
// caller knows (0 when the text is to tell it); an ISO day needs one and
// becomes the period that contains it. On failure `problem` completes the
// sentence "'TEXT' ..." and the result is false.
bool parseDateNotation(BankCalendar calendar, const std::string& text, int16_t frequency, PeriodDate& date,
                       std::string& problem);
inline constexpr const char* kDateNotations =
    "1995.1, 1995Q1, 1995q1, 1995-Q1, 1995:1 (quarters); 1995.001, 1995M01, 1995m1, 1995-01 (months); "
    "1995.5, 1995H1, 1995S1 (halves); 1995 (years); 1995-01-01 (the period holding that day)";

// How export writes dates: vorn's notation, the first day of the period
// (1995-04-01), or the period letter (1995, 1995H2, 1995Q2, 1995M04).
enum class DateStyle { vorn, iso, letter };
// The text of bank period `index` at `frequency`; false when it has none.
bool formatDate(BankCalendar calendar, int32_t index, int16_t frequency, std::string& text,
                DateStyle style = DateStyle::vorn);
// Periods of `frequency` from the start of the base year to bank period 0, for
// a bank whose period 0 lies in month `baseMonth`.
int32_t periodsIntoBaseYear(int16_t frequency, int32_t baseMonth);
// The date of the period, or "period N" when it has none at that frequency.
std::string periodText(BankCalendar calendar, int32_t index, int16_t frequency);
// True for the codes 1, 2, 4 and 12, which have a date notation.
bool knownFrequency(int16_t frequency);
// The code of a frequency named as frequencyName gives it (any case), or as
// 1, 2, 4 or 12; 0 for anything else.
int16_t frequencyOfName(const std::string& name);
