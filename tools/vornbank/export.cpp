// vornbank export: series of a bank as CSV on the standard output, written
// so that importing the output again changes no byte of the bank.
#include <charconv>

#include "bank/name_index.h"
#include "bank/series_by_name.h"
#include "base/dates.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kExportHelp =
    "usage: vornbank export BANK [NAME...] [--from DATE] [--to DATE] [--dates vorn|iso|q]\n"
    "\n"
    "Prints the named series of BANK (every series when no name is given) as CSV on the\n"
    "standard output: the header date,NAME1,NAME2,... and one row per period, dated in vorn's\n"
    "notation of the series' frequency; a missing value is an empty cell. The rows run from\n"
    "the first to the last period at which any of the series has a value, or from --from and\n"
    "to --to. All series of one export must have the same frequency. Each value is printed as\n"
    "the shortest number that reads back as the same 32-bit float (2522, not 2522.00024), so\n"
    "that vornbank import of the output restores every byte.\n"
    "--from and --to take any date notation that import reads.\n"
    "\n"
    "--dates chooses how rows are dated: vorn (the default: 1995.1, 1995.001, 1995.5, 1995),\n"
    "iso (the first day of the period: 1995-01-01) or q (1995Q1, 1995M01, 1995H1, 1995).\n"
    "Import reads all three; iso needs its --frequency.\n";

struct Column {
    std::string name;
    ValueTable table;
};

// Every name once, in index order; a later name equal to an earlier one cannot be reached by name.
std::vector<std::string> allNames() {
    std::vector<std::string> names;
    for (int32_t k = 0; k < model.nameCount; ++k) {
        const char* name = model.namePool.data() + model.nameOffsets[k];
        if (findName(model.nameOffsets, model.namePool, name, model.nameCount) == k) names.push_back(name);
    }
    return names;
}

// Reads the series; all of one frequency, which is returned in `frequency`.
std::vector<Column> readColumns(const std::string& base, const std::vector<std::string>& names,
                                int16_t& frequency) {
    std::vector<Column> columns;
    std::string first;
    for (const std::string& name : names) {
        if (findName(model.nameOffsets, model.namePool, name.c_str(), model.nameCount) < 0)
            fail("%s has no series %s", base.c_str(), name.c_str());
        if (name.find_first_of("\r\n") != std::string::npos)
            fail("series %s has a line end in its name and cannot be written as CSV", name.c_str());
        Column column{name, makeValueTable()};
        if (bankFailed(readSeries(name.c_str(), column.table)))
            fail("cannot read series %s from %s", name.c_str(), base.c_str());
        if (!knownFrequency(model.frequency))
            fail("series %s has the frequency code %d, which has no date notation; it cannot be exported",
                 name.c_str(), model.frequency);
        if (!columns.empty() && model.frequency != frequency)
            fail("series %s is %s but %s is %s; export them separately", name.c_str(),
                 frequencyName(model.frequency), first.c_str(), frequencyName(frequency));
        if (columns.empty()) first = name;
        frequency = model.frequency;
        columns.push_back(std::move(column));
    }
    return columns;
}

}  // namespace

int runExport(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("export", args, {"from", "to", "dates"}, {}, kExportHelp);
    if (parsed.words.empty()) usageFail("export", "export takes a BANK and optionally series names");
    std::vector<std::string> names(parsed.words.begin() + 1, parsed.words.end());
    // A header naming a series twice could not be imported again.
    if (const std::string* twice = repeatedName(names))
        usageFail("export", "series %s is named twice; a CSV file names each series once", twice->c_str());
    DateStyle style = DateStyle::vorn;
    if (parsed.options.count("dates")) {
        const std::string& name = parsed.options["dates"];
        if (name == "iso")
            style = DateStyle::iso;
        else if (name == "q")
            style = DateStyle::letter;
        else if (name != "vorn")
            usageFail("export", "--dates %s is none of vorn, iso, q", name.c_str());
    }
    std::string base = bankBase(parsed.words[0]);
    openToolBank(base, false);
    if (names.empty()) names = allNames();
    int16_t frequency = 0;
    std::vector<Column> columns = readColumns(base, names, frequency);

    int32_t from = model.bankLength;
    int32_t to = -1;
    for (const Column& column : columns) {
        for (int32_t p = 0; p < model.bankLength; ++p) {
            if (column.table[p] == kMissingValue) continue;
            from = std::min(from, p);
            to = std::max(to, p);
        }
    }
    if (parsed.options.count("from"))
        from = optionDate("from", parsed.options["from"], frequency, !columns.empty()).index;
    if (parsed.options.count("to"))
        to = optionDate("to", parsed.options["to"], frequency, !columns.empty()).index;
    if (parsed.options.count("from") && parsed.options.count("to") && from > to)
        fail("--from %s comes after --to %s", parsed.options["from"].c_str(), parsed.options["to"].c_str());
    if (columns.empty()) to = -1;

    std::string csv = "date";
    for (const Column& column : columns) csv += "," + csvCell(column.name);
    csv += "\n";
    for (int32_t p = from; p <= to; ++p) {
        std::string date;
        if (!formatDate(bankCalendar(), p, frequency, date, style))
            fail("bank period %d has no %s date in vorn's notation from the bank's base %d month %d", p,
                 frequencyName(frequency), model.bankBaseYear, model.bankBaseMonth);
        csv += date;
        for (const Column& column : columns) {
            csv += ',';
            if (column.table[p] == kMissingValue) continue;
            char value[32];
            csv.append(value, std::to_chars(value, value + sizeof value, column.table[p]).ptr);
        }
        csv += "\n";
    }
    writeToolOutput(csv);
    return kExitNormal;
}
