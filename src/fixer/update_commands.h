// Commands that change bank series from values in the fix file: update (an
// operation over the run's periods, or dated data lines) and matup (a table of
// rows for several series); and the data-line reader they share with the fix
// commands.
#pragma once

#include <cstdint>
#include <cstdio>

#include "bank/series_by_name.h"

// Bank position written, or -1.
int32_t updateCommand(FILE* input);
// 0, or -1 when refused.
int matupCommand(FILE* input);
// True when every one of `count` values, the first at bank period
// `firstPeriod`, is finite; otherwise false after one line naming the series
// and the period.
bool storableValues(const char* name, const float* values, int32_t firstPeriod, int32_t count);
// Reads dated data lines into the table, fills its gaps after the base period
// and writes it under the name: the bank position, or -1 (nothing written when
// a value is not finite).
int32_t readDataLines(ValueTable& table, const char* name, FILE* input);
