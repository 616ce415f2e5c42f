// Values of number tokens: plain numbers and dates.
#pragma once

#include <cstdint>

// The value of the longest leading decimal form of the text (1.2.3 is 1.2).
double tokenValue(const char* text);

// The bank period index of the date the text writes, in index; false, after
// the bad-date message, when the date has no frequency.
bool tokenDate(const char* text, int32_t& index);
