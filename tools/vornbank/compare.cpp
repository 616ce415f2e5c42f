// vornbank compare: a scenario against its baseline, as differences or
// percentage deviations, one CSV column per series.
#include <cmath>

#include "bank/bank_file.h"
#include "base/exit.h"
#include "named_series.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kCompareHelp =
    "usage: vornbank compare BANK BASE NAME... [--from DATE] [--to DATE] [--percent]\n"
    "\n"
    "Prints, as CSV on the standard output, how the named series of BANK (a scenario) differ\n"
    "from those of BASE (its baseline): BANK - BASE, or with --percent 100 x (BANK / BASE - 1),\n"
    "a percentage deviation. The header is date,NAME1,NAME2,...; a cell is empty where either\n"
    "value is missing or, with --percent, where BASE is 0. The rows run from the first to the\n"
    "last period at which both banks have a value of any of the series, or from --from and to\n"
    "--to (any date notation that import reads). The two banks need the same base year and\n"
    "month, and the series one frequency in both.\n";

}  // namespace

double deviationOf(float value, float base, bool percent) {
    if (value == kMissingValue || base == kMissingValue || (percent && base == 0)) return NAN;
    return percent ? 100.0 * (static_cast<double>(value) / base - 1.0) : static_cast<double>(value) - base;
}

int runCompare(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("compare", args, {"from", "to"}, {"percent"}, kCompareHelp);
    if (parsed.words.size() < 3) usageFail("compare", "compare takes a BANK, its BASE and the names of series");
    std::vector<std::string> names(parsed.words.begin() + 2, parsed.words.end());
    if (const std::string* twice = repeatedName(names))
        usageFail("compare", "series %s is named twice; a CSV file names each series once", twice->c_str());
    const bool percent = parsed.options.count("percent") != 0;
    ChartBank bank = readChartBank(bankBase(parsed.words[0]), names);
    for (size_t k = 1; k < names.size(); ++k)
        if (bank.series[k].frequency != bank.series[0].frequency)
            fail("series %s is %s but %s is %s; compare them separately", names[k].c_str(),
                 frequencyName(bank.series[k].frequency), names[0].c_str(), frequencyName(bank.series[0].frequency));
    ChartBank base = readMatchingBank("base", parsed.words[1], bank, names);
    const int16_t frequency = bank.series[0].frequency;

    int32_t from = bank.header.length;
    int32_t to = -1;
    for (size_t k = 0; k < names.size(); ++k)
        for (int32_t p = 0; p < bank.header.length; ++p) {
            if (std::isnan(deviationOf(valueAt(bank.series[k], p), valueAt(base.series[k], p), false))) continue;
            from = std::min(from, p);
            to = std::max(to, p);
        }
    if (parsed.options.count("from")) from = optionDate("from", parsed.options["from"], frequency, true).index;
    if (parsed.options.count("to")) to = optionDate("to", parsed.options["to"], frequency, true).index;
    if (parsed.options.count("from") && parsed.options.count("to") && from > to)
        fail("--from %s comes after --to %s", parsed.options["from"].c_str(), parsed.options["to"].c_str());

    std::string csv = "date";
    for (const std::string& name : names) csv += "," + csvCell(name);
    csv += "\n";
    for (int32_t p = from; p <= to; ++p) {
        std::string date;
        if (!formatDate(bankCalendar(), p, frequency, date))
            fail("bank period %d has no %s date in vorn's notation", p, frequencyName(frequency));
        csv += date;
        for (size_t k = 0; k < names.size(); ++k) {
            const double deviation = deviationOf(valueAt(bank.series[k], p), valueAt(base.series[k], p), percent);
            csv += ',';
            if (!std::isnan(deviation)) csv += numberCell(deviation);
        }
        csv += "\n";
    }
    std::fputs(csv.c_str(), toolOut);
    return kExitNormal;
}
