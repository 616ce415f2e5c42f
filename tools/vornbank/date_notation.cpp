// vorn's date notation for CSV files: the text of a bank period at a
// frequency, and back. A text counts only when vorn's own conversion of its
// date number gives the same period, so every date the tool writes or accepts
// means the same to vorn.
#include <cstdlib>

#include "runctl/dates.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

int32_t floorDiv(int32_t a, int32_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// vorn's bank period of the date number written in the text.
bool convertsTo(const std::string& text, int32_t index, int16_t frequency) {
    float date = static_cast<float>(std::strtod(text.c_str(), nullptr));
    int32_t converted = dateToIndex(date);
    return converted == index && model.frequency == frequency;
}

}  // namespace

bool parseDate(const std::string& text, PeriodDate& date) {
    int16_t frequency = dateTextFrequency(text);
    if (frequency == 0) return false;
    float number = static_cast<float>(std::strtod(text.c_str(), nullptr));
    int32_t index = dateToIndex(number);
    std::string canonical;
    if (index == kInvalidDateIndex || model.frequency != frequency ||
        !formatDate(index, frequency, canonical) || canonical != text)
        return false;
    date = {index, frequency};
    return true;
}

bool formatDate(int32_t index, int16_t frequency, std::string& text) {
    int32_t base = model.bankBaseMonth;
    char buffer[48];
    switch (frequency) {
    case 1:
        std::snprintf(buffer, sizeof buffer, "%d", model.bankBaseYear + index);
        break;
    case 2: {
        int32_t n = index + (base - 1) / 6;
        std::snprintf(buffer, sizeof buffer, "%d.%d", model.bankBaseYear + floorDiv(n, 2),
                      n - 2 * floorDiv(n, 2) + 5);
        break;
    }
    case 4: {
        int32_t n = index + (base - 1) / 3;
        std::snprintf(buffer, sizeof buffer, "%d.%d", model.bankBaseYear + floorDiv(n, 4),
                      n - 4 * floorDiv(n, 4) + 1);
        break;
    }
    case 12: {
        int32_t n = index + base - 1;
        std::snprintf(buffer, sizeof buffer, "%d.%03d", model.bankBaseYear + floorDiv(n, 12),
                      n - 12 * floorDiv(n, 12) + 1);
        break;
    }
    default:
        return false;
    }
    if (dateTextFrequency(buffer) != frequency || !convertsTo(buffer, index, frequency)) return false;
    text = buffer;
    return true;
}

bool knownFrequency(int16_t frequency) { return frequencyName(frequency)[0] != '\0'; }

std::string periodText(int32_t index, int16_t frequency) {
    std::string text;
    return formatDate(index, frequency, text) ? text : "period " + std::to_string(index);
}
