// Fixed-point formatting of a float as printf's "%W.Df" writes it, byte for
// byte, without printf's general machinery: the progress lines of every period
// use it.
#pragma once

#include <cstddef>

// Writes `value` into `out` as snprintf(out, size, "%*.*f", width, decimals,
// value) would and returns the number of characters (without the closing zero).
size_t formatFixed(char* out, size_t size, float value, int width, int decimals);
