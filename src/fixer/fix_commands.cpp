// The fix commands. Each records a fix on one model series in the fix table:
// skip takes no slot; rho keeps its decay in thousandths; cta, mul and ovr
// read data lines whose values go to the bank as the series NAME:f.
#include "fixer/fix_commands.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "bank/name_index.h"
#include "bank/series_by_name.h"
#include "fixer/reader.h"
#include "fixer/update_commands.h"
#include "base/console.h"
#include "base/dates.h"
#include "state/model_state.h"

namespace {

// The series the fix is on, or -1 after the message that refuses it.
int32_t fixedSeries(const char* name) {
    if (model.fixCount >= kFixSlots) {
        printOut("Too many fixes. Fix on %s ignored.\n", name);
        return -1;
    }
    int32_t series = findName(model.nameOffsets, model.namePool, name, model.nameCount);
    if (series < 0) {
        printOut("Cannot find %s\n", name);
        printOut("%s", similarNameLine(name).c_str());
        return -1;
    }
    if (series >= model.seriesCount || series >= static_cast<int32_t>(model.fixOfSeries.size())) {
        printOut("%s is not a series of the model. Fix on %s ignored.\n", name, name);
        return -1;
    }
    return series;
}

void takeSlot(int32_t series, char kind, int32_t param) {
    int32_t slot = model.fixCount++;
    model.fixType[slot] = kind;
    model.fixParam[slot] = param;
    model.fixOfSeries[static_cast<size_t>(series)] = slot;
}

// rho: the decay factor in thousandths, truncated toward zero. The number must
// be on the rho line: the next line is a command of its own.
int rhoFix(int32_t series, const char* name, FILE* input) {
    double number = 0;
    if (!readNumberOnLine(input, number)) {
        printOut("Rho number missing. Fix on %s ignored.\n", name);
        return -1;
    }
    float rho = static_cast<float>(number);
    double thousandths = static_cast<double>(rho) * 1000.0;
    if (!(std::fabs(thousandths) < 2147483648.0)) {
        printOut("Rho %g out of range. Fix on %s ignored.\n", static_cast<double>(rho), name);
        return -1;
    }
    takeSlot(series, 'r', static_cast<int32_t>(thousandths));
    return 0;
}

// cta, mul, ovr: the data lines that follow give the fix values.
int valueFix(int32_t series, const char* name, char kind, FILE* input) {
    if (std::strlen(name) > static_cast<size_t>(kFixNameMax)) {
        printOut("Fix on %s ignored: a fixed series' name may have at most %d characters.\n", name,
                 kFixNameMax);
        return -1;
    }
    std::string valueName = std::string(name) + ":f";
    ValueTable table = makeValueTable();
    int32_t position = readDataLines(table, valueName.c_str(), input);
    if (position == -1) return -1;
    takeSlot(series, kind, position);
    return 0;
}

}  // namespace

int addFix(FILE* input, char kind) {
    char name[kTokenSize];
    if (nextToken(name, input) != kTokenName) {
        printOut("Need name on fix command\n");
        return -1;
    }
    int32_t series = fixedSeries(name);
    if (series < 0) return -1;
    if (kind == 's') {
        model.fixOfSeries[static_cast<size_t>(series)] = -1;
        return 0;
    }
    if (kind == 'r') return rhoFix(series, name, input);
    return valueFix(series, name, kind, input);
}
