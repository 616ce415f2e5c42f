// Conversion of number tokens into values and bank period indexes.
#include "fixer/token_values.h"

#include <cstdlib>

#include "runctl/dates.h"

double tokenValue(const char* text) { return std::strtod(text, nullptr); }

bool tokenDate(const char* text, int32_t& index) {
    // Dates are held as 32-bit floats, as everywhere else.
    index = dateToIndex(static_cast<float>(tokenValue(text)));
    if (index != kInvalidDateIndex) return true;
    reportBadDate(text);
    return false;
}
