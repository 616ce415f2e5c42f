// The print command: a bank series shown from printFrom to printTo, five years
// a line for annual dates, one year a line for quarterly and monthly ones. The
// dates given change the range for every later print.
#include "fixer/print_command.h"

#include "bank/series_by_name.h"
#include "fixer/bank_report.h"
#include "fixer/reader.h"
#include "fixer/token_values.h"
#include "base/console.h"
#include "base/dates.h"
#include "state/model_state.h"

namespace {

struct Layout {
    int32_t perLine;
    float labelStep;
};

Layout layoutFor(int16_t frequency) {
    if (frequency == 1) return {5, 5.0f};
    if (frequency == 4) return {4, 1.0f};
    return {12, 1.0f};
}

// A date given on the command line of print; false when it is refused.
bool takeDate(const char* text, float& field) {
    int32_t index;
    if (!tokenDate(text, index)) return false;
    field = static_cast<float>(tokenValue(text));
    return true;
}

// Optional first and last date after the name.
bool readRange(FILE* input) {
    char text[kTokenSize];
    if (nextToken(text, input) != kTokenNumber) return true;
    if (static_cast<float>(tokenValue(text)) < model.bankBaseYear) {
        printOut("\n first date is before begining of workspace bank. \n ");
        return false;
    }
    if (!takeDate(text, model.printFrom)) return false;
    if (nextToken(text, input) != kTokenNumber) return true;
    return takeDate(text, model.printTo);
}

}  // namespace

int printCommand(FILE* input) {
    char name[kTokenSize];
    if (nextToken(name, input) != kTokenName) {
        printOut("\n no name in pr line \n ");
        return -1;
    }
    ValueTable table = makeValueTable();
    if (readShownSeries(name, table) == -1) return -1;
    if (!readRange(input)) return -1;

    // Each date's frequency stays the model's, as a date token's does.
    PeriodDate first = periodOfDate(bankCalendar(), model.printFrom);
    model.frequency = first.frequency;
    if (first.index < 0) return -1;
    Layout layout = layoutFor(first.frequency);
    PeriodDate last = periodOfDate(bankCalendar(), model.printTo);
    model.frequency = last.frequency;
    if (last.index < 0) return -1;
    if (last.index >= model.bankLength) {
        printOut("\n second date too far out. \n");
        return -1;
    }

    model.currentDate = model.printFrom;
    for (int32_t i = first.index; i <= last.index; i += layout.perLine) {
        printOut("\n%6.3f ", model.currentDate);
        for (int32_t j = 0; i + j <= last.index && j < layout.perLine; ++j) {
            if (j == 6) printOut("\n\t\t ");
            printOut(" %10.3f", table[static_cast<size_t>(i + j)]);
        }
        double next = static_cast<double>(model.currentDate) + layout.labelStep;
        model.currentDate = static_cast<float>(next);
    }
    printOut("\n");
    return 0;
}
