// vornbank list and info: what a bank holds.
#include "bank/name_index.h"
#include "bank/series_by_name.h"
#include "base/dates.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kListHelp =
    "usage: vornbank list BANK\n"
    "\n"
    "Prints one line per series of BANK in bank order: its position (the series number vorn\n"
    "uses), its name, its frequency and the first and last period at which it has a value.\n";

const char* const kInfoHelp =
    "usage: vornbank info BANK\n"
    "\n"
    "Prints the header of BANK (base year, base month, length in periods, title) and the\n"
    "number of series in its index.\n";

std::string onlyBank(const std::string& verb, const std::vector<std::string>& args, const char* help) {
    VerbArgs parsed = parseVerbArgs(verb, args, {}, {}, help);
    if (parsed.words.size() != 1) usageFail(verb, "%s takes one BANK", verb.c_str());
    return bankBase(parsed.words[0]);
}

// Frequency and the first and last period with a value, as list prints them.
std::string seriesSummary(int32_t k, const char* name) {
    int32_t first = findName(model.nameOffsets, model.namePool, name, model.nameCount);
    if (first != k) return "(the same name as position " + std::to_string(first) + ")";
    ValueTable table = makeValueTable();
    if (bankFailed(readSeries(name, table))) return "(record cannot be read)";
    int16_t frequency = model.frequency;
    std::string summary = knownFrequency(frequency) ? frequencyName(frequency)
                                                    : "code " + std::to_string(frequency);
    summary.resize(std::max<size_t>(summary.size() + 1, 13), ' ');
    int32_t from = -1;
    int32_t to = -1;
    for (int32_t p = 0; p < model.bankLength; ++p) {
        if (table[p] == kMissingValue) continue;
        if (from < 0) from = p;
        to = p;
    }
    if (from < 0) return summary + "no values";
    std::string start = periodText(bankCalendar(), from, frequency);
    start.resize(std::max<size_t>(start.size() + 1, 11), ' ');
    return summary + start + periodText(bankCalendar(), to, frequency);
}

// The name as list shows it: control characters and backslashes as C escapes,
// so that a name cannot move the cursor, clear the screen or fake a line.
std::string shownName(const char* name) {
    std::string shown;
    for (const char* c = name; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '\\') {
            shown += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            appendf(shown, "\\x%02X", byte);
        } else {
            shown.push_back(*c);
        }
    }
    return shown;
}

}  // namespace

int runList(const std::vector<std::string>& args) {
    std::string base = onlyBank("list", args, kListHelp);
    openToolBank(base, false);
    std::fprintf(toolOut, "%8s  %-16s %-12s %-10s %s\n", "position", "name", "frequency", "first", "last");
    for (int32_t k = 0; k < model.nameCount; ++k) {
        const char* name = model.namePool.data() + model.nameOffsets[k];
        std::fprintf(toolOut, "%8d  %-16s %s\n", k, shownName(name).c_str(), seriesSummary(k, name).c_str());
    }
    return kExitNormal;
}

int runInfo(const std::vector<std::string>& args) {
    std::string base = onlyBank("info", args, kInfoHelp);
    BankHeader header = openToolBank(base, false);
    std::fprintf(toolOut,
                 "bank        %s\nbase year   %d\nbase month  %d\nlength      %d periods\n"
                 "title       %s\nseries      %d\n",
                 base.c_str(), header.baseYear, header.baseMonth, header.length, header.title.c_str(),
                 model.nameCount);
    return kExitNormal;
}
