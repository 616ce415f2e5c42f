// Data lines: a date followed by values for consecutive periods. They follow
// an update command or a fix command, and end at the first line that begins
// with a name, quoted text, ';' or the end of the input.
#include <algorithm>

#include "fixer/bank_report.h"
#include "fixer/gap_fill.h"
#include "fixer/reader.h"
#include "fixer/token_values.h"
#include "fixer/update_commands.h"
#include "base/arithmetic.h"
#include "base/console.h"
#include "base/dates.h"
#include "state/model_state.h"

namespace {

enum class LineEnd { nextLine, done, refused };

// The values of one data line from bank period k on. Only periods after the
// base period and inside the series' record are stored.
LineEnd readValues(ValueTable& table, int32_t k, FILE* input) {
    char text[kTokenSize];
    bool negative = false;
    for (;;) {
        char kind = nextToken(text, input);
        if (kind == '-') {
            negative = true;
            continue;
        }
        if (kind != kTokenNumber) return kind == kTokenLineEnd ? LineEnd::nextLine : LineEnd::done;
        bool inRecord = k < model.bankLength && k < static_cast<int32_t>(table.size());
        if (k > model.startIndex && inRecord) {
            float value = static_cast<float>(tokenValue(text));
            table[static_cast<size_t>(k)] = negative ? -value : value;
        }
        negative = false;
        ++k;
    }
}

// A series that exists keeps its frequency: a date of another is refused.
bool dateFitsSeries(const char* date, const char* name, int16_t seriesFrequency) {
    if (frequencyName(seriesFrequency)[0] == '\0' || model.frequency == seriesFrequency) return true;
    printOut("\nThe date %s is %s, but %s is %s: nothing is written to %s.\n", date, frequencyName(model.frequency),
             name, frequencyName(seriesFrequency), name);
    return false;
}

LineEnd readDataLine(ValueTable& table, const char* name, int16_t seriesFrequency, FILE* input) {
    char text[kTokenSize];
    char kind = nextToken(text, input);
    if (kind == kTokenNumber) {
        int32_t k;
        if (!tokenDate(text, k) || !dateFitsSeries(text, name, seriesFrequency)) return LineEnd::refused;
        if (k < 0 || k > model.bankLength || k >= static_cast<int32_t>(table.size())) {
            skipStatement(input);
            return LineEnd::done;
        }
        return readValues(table, k, input);
    }
    if (kind == kTokenLineEnd) return LineEnd::nextLine;
    if (kind == kTokenName || kind == kTokenEnd || kind == kTokenQuoted || kind == ';') {
        return LineEnd::done;
    }
    printOut("\nJunk on data line:  %s", text);
    return LineEnd::refused;
}

}  // namespace

int32_t readDataLines(ValueTable& table, const char* name, FILE* input) {
    const int16_t seriesFrequency = frequencyOfSeries(name);
    LineEnd end;
    while ((end = readDataLine(table, name, seriesFrequency, input)) == LineEnd::nextLine) {}
    if (end == LineEnd::refused) return -1;
    // The token that ended the data lines starts the next statement; a ';' is consumed.
    if (model.lastTokenKind != ';') repeatToken();

    if (checkArithmetic("before linit")) printOut("\n");
    int32_t first = std::max(model.startIndex, 0);
    if (first < model.bankLength) {
        fillGaps(table.data() + first, model.bankLength - first);
        if (!storableValues(name, table.data() + first, first, model.bankLength - first)) return -1;
    }
    return writeShownSeries(name, table);
}
