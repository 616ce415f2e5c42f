// The check that values from a command file can be stored: the bank holds
// 32-bit floats, and a value that is not finite there (an overflow such as
// 1E39, or the result of update govt * 1E38) would reach the solution as inf or NaN.
#include <cmath>

#include "fixer/update_commands.h"
#include "base/console.h"

bool storableValues(const char* name, const float* values, int32_t firstPeriod, int32_t count) {
    for (int32_t c = 0; c < count; ++c) {
        if (std::isfinite(values[c])) continue;
        printOut("\n%s at bank period %d: %g is not a finite 32-bit value; nothing written.\n", name,
                 firstPeriod + c, static_cast<double>(values[c]));
        return false;
    }
    return true;
}
