// vornbank trials and percentiles: the trials file of a stochastic run as long
// CSV, and percentiles over its trials.
#include <algorithm>
#include <string>
#include <vector>

#include "bank/bank_file.h"
#include "base/exit.h"
#include "state/model_state.h"
#include "trials_data.h"
#include "vornbank.h"

namespace {

const char* const kTrialsHelp =
    "usage: vornbank trials FILE [NAME...] [--from DATE] [--to DATE]\n"
    "\n"
    "Prints the trials file of vorn --trials FILE as long CSV on the standard output: the\n"
    "header trial,date,name,value and one row per trial, period and series (every series when\n"
    "no name is given), trials numbered from 1, values with nine significant digits, a missing\n"
    "value as an empty cell. --from and --to take any date notation that import reads.\n";

const char* const kPercentilesHelp =
    "usage: vornbank percentiles FILE NAME... [--at 5,25,50,75,95] [--from DATE] [--to DATE]\n"
    "\n"
    "Prints, as CSV on the standard output, percentiles over the trials in the trials file of\n"
    "vorn --trials FILE: a date column and one column NAME:pK per name and percentile K. The\n"
    "percentiles (--at, from 0 to 100, increasing) interpolate linearly between the order\n"
    "statistics, the rule numpy.percentile uses by default: of n sorted values x[0..n-1],\n"
    "percentile K lies at position (n-1)K/100. Missing values are left out; a period with\n"
    "none has empty cells.\n";

std::string valueCell(float value) {
    return value == kMissingValue ? "" : numberCell(value);
}

const std::string* option(const VerbArgs& parsed, const char* name) {
    auto found = parsed.options.find(name);
    return found == parsed.options.end() ? nullptr : &found->second;
}

}  // namespace

int runTrials(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("trials", args, {"from", "to"}, {}, kTrialsHelp);
    if (parsed.words.empty()) usageFail("trials", "trials takes a FILE and optionally series names");
    TrialsData data = openTrials(parsed.words[0]);
    std::vector<std::string> names(parsed.words.begin() + 1, parsed.words.end());
    if (names.empty()) names = data.names;
    std::vector<int64_t> series = trialsSeriesOf(data, names);
    int64_t first = 0, last = 0;
    trialsPeriodRange(data, option(parsed, "from"), option(parsed, "to"), first, last);
    std::vector<std::string> nameCells;
    for (const std::string& name : names) nameCells.push_back(csvCell(name));
    std::fputs("trial,date,name,value\n", toolOut);
    std::vector<float> values;
    for (int64_t trial = 1; trial <= data.trials; ++trial) {
        readNextTrial(data, values);
        for (int64_t p = first; p <= last; ++p)
            for (size_t k = 0; k < series.size(); ++k)
                std::fprintf(toolOut, "%lld,%s,%s,%s\n", static_cast<long long>(trial), data.dates[p].c_str(),
                             nameCells[k].c_str(),
                             valueCell(values[static_cast<size_t>(series[k] * data.periods + p)]).c_str());
    }
    closeTrials(data);
    return kExitNormal;
}

int runPercentiles(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs("percentiles", args, {"at", "from", "to"}, {}, kPercentilesHelp);
    if (parsed.words.size() < 2) usageFail("percentiles", "percentiles takes a FILE and the names of its series");
    std::vector<double> at = percentilesOption("percentiles", option(parsed, "at"));
    TrialsData data = openTrials(parsed.words[0]);
    std::vector<std::string> names(parsed.words.begin() + 1, parsed.words.end());
    std::vector<int64_t> series = trialsSeriesOf(data, names);
    int64_t first = 0, last = 0;
    trialsPeriodRange(data, option(parsed, "from"), option(parsed, "to"), first, last);
    std::vector<std::vector<float>> samples = trialSamples(data, series, first, last);
    closeTrials(data);

    std::string csv = "date";
    for (const std::string& name : names)
        for (double p : at) csv += "," + csvCell(name + ":p" + percentileText(p));
    csv += "\n";
    const size_t periods = static_cast<size_t>(last - first + 1);
    for (size_t p = 0; p < periods; ++p) {
        csv += data.dates[first + static_cast<int64_t>(p)];
        for (size_t k = 0; k < series.size(); ++k)
            for (double percentile : at) {
                const std::vector<float>& sample = samples[k * periods + p];
                csv += ',';
                if (!sample.empty()) csv += numberCell(percentileOf(sample, percentile));
            }
        csv += "\n";
    }
    std::fputs(csv.c_str(), toolOut);
    return kExitNormal;
}
