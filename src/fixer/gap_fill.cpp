// Gap filling: every run of zeros between two non-zero values becomes a
// straight line between them; leading and trailing zeros stay, and a missing
// value marker stops the filling of the whole array.
#include "fixer/gap_fill.h"

#include "state/model_state.h"

void fillGaps(float* values, int32_t count) {
    int32_t i = 0;
    while (i < count && values[i] == 0) ++i;
    while (i < count) i = fillNextGap(values, i, count);
}

int32_t fillNextGap(float* values, int32_t j, int32_t count) {
    // A value that is not a number counts as given, so the filling always moves on.
    while (j < count && values[j] != 0) {
        if (values[j] == kMissingValue) return count;
        ++j;
    }
    if (j == count) return count;
    int32_t last = j - 1;
    while (j < count && values[j] == 0) ++j;
    // Zeros at the end stay zero, and so do zeros with no value before them.
    if (j >= count || last < 0) return j;
    float step = static_cast<float>((static_cast<double>(values[j]) - values[last]) / (j - last));
    for (int32_t k = last + 1; k < j; ++k) {
        values[k] = static_cast<float>(static_cast<double>(values[k - 1]) + step);
    }
    return j;
}
