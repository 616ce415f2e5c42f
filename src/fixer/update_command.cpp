// The update command: one bank series changed by an operation (+, -, * a
// number) over the run's periods, or by the data lines that follow it.
#include <algorithm>

#include "fixer/bank_report.h"
#include "fixer/reader.h"
#include "fixer/token_values.h"
#include "fixer/update_commands.h"
#include "base/arithmetic.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

// Every period after the base period up to the end date, inside the record;
// false when a result is not finite.
bool applyOperation(const char* name, ValueTable& table, char operation, float operand) {
    int32_t first = std::max(model.startIndex + 1, 0);
    int32_t tableEnd = static_cast<int32_t>(table.size()) - 1;
    int32_t last = std::min({model.endIndex, model.bankLength - 1, tableEnd});
    for (int32_t k = first; k <= last; ++k) {
        float& value = table[static_cast<size_t>(k)];
        double before = value;
        value = static_cast<float>(operation == '*' ? before * operand : before + operand);
    }
    return first > last || storableValues(name, table.data() + first, first, last - first + 1);
}

}  // namespace

int32_t updateCommand(FILE* input) {
    ValueTable table = makeValueTable();
    char name[kTokenSize];
    if (nextToken(name, input) != kTokenName) {
        printOut("\n no name on update command.");
        return -1;
    }
    if (readShownSeries(name, table) == -1) return -1;

    char text[kTokenSize];
    char kind = nextToken(text, input);
    if (kind == '+' || kind == '-' || kind == '*') {
        char number[kTokenSize];
        if (nextToken(number, input) != kTokenNumber) {
            printOut("\nNeed number after %s.\n", text);
            return -1;
        }
        if (!hasRunFrequency(name, model.frequency)) return -1;
        float operand = static_cast<float>(tokenValue(number));
        if (!applyOperation(name, table, kind, kind == '-' ? -operand : operand)) return -1;
        return writeShownSeries(name, table);
    }

    checkArithmetic("Before readdata in updatecmd");
    int32_t written = readDataLines(table, name, input);
    if (written == -1) return -1;
    if (checkArithmetic("after readdata in updatecmd")) {
        printOut("Probably you have specified some exogenous variable as all zero.\n");
        printOut("Remember, a 0 asks the program to interpolate the value,\n");
        printOut("so not all values can be specified to be 0. Use a very small value for some.\n");
        readChar();
    }
    return written;
}
