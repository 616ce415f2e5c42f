// Values of number tokens: plain numbers and dates.
#pragma once

#include <cstdint>

// The value of the longest leading decimal form of the text (1.2.3 is 1.2).
double tokenValue(const char* text);

// The frequency byte of the named bank series; 0 when the bank has no such
// series or its record was never written by name.
int16_t frequencyOfSeries(const char* name);

// True when the series (of `frequency`) may change over the run's periods;
// false after the line that refuses a series of another frequency.
bool hasRunFrequency(const char* name, int16_t frequency);

// The bank period index of the date the text writes, in index, and its
// frequency in model.frequency (which a series written next takes); false,
// after the bad-date message, when the date has no frequency.
bool tokenDate(const char* text, int32_t& index);
