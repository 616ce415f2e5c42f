// Conversion of number tokens into values and bank period indexes.
#include "fixer/token_values.h"

#include <cstdlib>

#include "bank/name_index.h"
#include "bank/series_by_name.h"
#include "base/console.h"
#include "base/dates.h"
#include "state/model_state.h"

int16_t frequencyOfSeries(const char* name) {
    int32_t k = findName(model.nameOffsets, model.namePool, name, model.nameCount);
    return k < 0 ? 0 : recordFrequency(k);
}

bool hasRunFrequency(const char* name, int16_t frequency) {
    if (frequencyName(frequency)[0] == '\0' || frequency == model.runFrequency) return true;
    printOut("\n%s is %s, but the run is %s: nothing is written to it.\n", name, frequencyName(frequency),
             frequencyName(model.runFrequency));
    return false;
}

double tokenValue(const char* text) { return std::strtod(text, nullptr); }

bool tokenDate(const char* text, int32_t& index) {
    // Dates are held as 32-bit floats, as everywhere else.
    PeriodDate period = periodOfDate(bankCalendar(), static_cast<float>(tokenValue(text)));
    model.frequency = period.frequency;
    index = period.index;
    if (index != kInvalidDateIndex) return true;
    reportBadDate(text);
    return false;
}
