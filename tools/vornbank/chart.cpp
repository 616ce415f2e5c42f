// vornbank chart: series of a bank as one SVG picture, with the forecast
// marked, uncertainty bands from a sigma bank and a second bank to compare.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/series_by_name.h"
#include "chart_scale.h"
#include "chart_svg.h"
#include "runctl/dates.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kChartHelp =
    "usage: vornbank chart BANK NAME... [--from DATE] [--to DATE] [--forecast-from DATE]\n"
    "                      [--sigma SIGMABANK] [--compare OTHERBANK [--label TEXT] [--compare-label TEXT]]\n"
    "                      [--columns N] [--out FILE.svg]\n"
    "\n"
    "Draws the named series of BANK as one SVG document, a panel per series in a grid of N\n"
    "columns (1 to 20; by default 1 for one series, 2 for up to four, else 3), on the\n"
    "standard output or into FILE.svg. Each panel shows its series as a line with gaps where\n"
    "values are missing, on a calendar axis shared by all panels, so series of different\n"
    "frequencies can be charted together. The chart runs from the first to the last period\n"
    "at which any of the series has a value, or from --from and to --to. Date options take\n"
    "any date notation that import reads; a day stands for the period of the finest series\n"
    "that holds it.\n"
    "\n"
    "  --forecast-from DATE  the first forecast period: a rule there, dashed lines after it\n"
    "  --sigma SIGMABANK     bands of one and two standard deviations around the line, from\n"
    "                        the sigma bank of a stochastic run; needs --forecast-from and --to,\n"
    "                        the first and last periods the run solved, and is drawn there only\n"
    "                        (the sigma bank holds copied values elsewhere)\n"
    "  --compare OTHERBANK   the same series of OTHERBANK as a second line, with a legend that\n"
    "                        names the banks (--label for BANK, --compare-label for OTHERBANK)\n"
    "\n"
    "The sigma and compared banks need BANK's base year and month and the same frequency\n"
    "for every series.\n";

// One bank's values of the charted series.
struct BankSeries {
    int16_t frequency;
    ValueTable values;
};

struct ChartBank {
    std::string base;
    BankHeader header;
    std::vector<BankSeries> series;
};

// Reads the named series of one bank; a name the bank lacks or a frequency
// without a date notation is refused.
ChartBank readChartBank(const std::string& base, const std::vector<std::string>& names) {
    closeBankFiles();
    ChartBank bank{base, openToolBank(base, false), {}};
    for (const std::string& name : names) {
        if (findName(model.nameOffsets, model.namePool, name.c_str(), model.nameCount) < 0)
            fail("%s has no series %s", base.c_str(), name.c_str());
        BankSeries series{0, makeValueTable()};
        if (readSeries(name.c_str(), series.values) != 0)
            fail("cannot read series %s from %s", name.c_str(), base.c_str());
        if (!knownFrequency(model.frequency))
            fail(
                "series %s of %s has the frequency code %d, which has no date notation; it cannot be charted",
                name.c_str(), base.c_str(), model.frequency);
        series.frequency = model.frequency;
        series.values.resize(static_cast<size_t>(bank.header.length));
        bank.series.push_back(std::move(series));
    }
    return bank;
}

// A sigma or compared bank must put every series on the same calendar as the charted bank.
ChartBank readMatchingBank(const std::string& option, const std::string& word, const ChartBank& main,
                           const std::vector<std::string>& names) {
    ChartBank other = readChartBank(bankBase(word), names);
    if (other.header.baseYear != main.header.baseYear || other.header.baseMonth != main.header.baseMonth)
        fail("the --%s bank %s begins in month %d of %d, but %s in month %d of %d; the banks need one base",
             option.c_str(), other.base.c_str(), other.header.baseMonth, other.header.baseYear,
             main.base.c_str(), main.header.baseMonth, main.header.baseYear);
    for (size_t k = 0; k < names.size(); ++k) {
        if (other.series[k].frequency != main.series[k].frequency)
            fail("series %s is %s in %s but %s in %s", names[k].c_str(),
                 frequencyName(other.series[k].frequency), other.base.c_str(),
                 frequencyName(main.series[k].frequency), main.base.c_str());
    }
    return other;
}

double valueOrGap(const ValueTable& values, int32_t p) {
    if (p >= static_cast<int32_t>(values.size())) return NAN;
    float value = values[p];
    return value == kMissingValue || !std::isfinite(value) ? NAN : value;
}

// A date option: the year its period begins, and the year it ends.
struct DateBounds {
    std::string text;
    double begins;
    double ends;
};

DateBounds dateBounds(const std::string& option, const std::string& text, int16_t dayFrequency) {
    PeriodDate date = optionDate(option, text, dayFrequency, false);
    double begins = periodStart(date.index, date.frequency, model.bankBaseYear, model.bankBaseMonth);
    return {text, begins, begins + 1.0 / date.frequency};
}

// The chart's span when no date bounds it: from the first to the last period with a value.
void valuedSpan(const ChartBank& bank, DateBounds& from, DateBounds& to) {
    for (const BankSeries& series : bank.series) {
        for (int32_t p = 0; p < bank.header.length; ++p) {
            if (std::isnan(valueOrGap(series.values, p))) continue;
            double begins = periodStart(p, series.frequency, bank.header.baseYear, bank.header.baseMonth);
            if (begins < from.begins) from = {periodText(p, series.frequency), begins, 0};
            if (begins + 1.0 / series.frequency > to.ends)
                to = {periodText(p, series.frequency), 0, begins + 1.0 / series.frequency};
        }
    }
}

int columnsOption(const VerbArgs& parsed, size_t panels) {
    auto found = parsed.options.find("columns");
    if (found == parsed.options.end()) return panels == 1 ? 1 : panels <= 4 ? 2 : 3;
    char* end = nullptr;
    long value = std::strtol(found->second.c_str(), &end, 10);
    if (found->second.empty() || *end != '\0' || value < 1 || value > 20)
        fail("--columns %s is not a whole number from 1 to 20", found->second.c_str());
    return static_cast<int>(std::min<long>(value, static_cast<long>(panels)));
}

void writeChart(const std::string& svg, const VerbArgs& parsed) {
    auto out = parsed.options.find("out");
    if (out == parsed.options.end())
        writeToolOutput(svg);
    else
        writeWholeFile(out->second, svg);
}

}  // namespace

int runChart(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs(
        "chart", args,
        {"from", "to", "forecast-from", "sigma", "compare", "label", "compare-label", "columns", "out"}, {},
        kChartHelp);
    if (parsed.words.size() < 2) usageFail("chart", "chart takes a BANK and the names of its series");
    bool comparing = parsed.options.count("compare") != 0;
    if (!comparing && (parsed.options.count("label") || parsed.options.count("compare-label")))
        usageFail("chart", "--label and --compare-label name the banks of --compare");
    bool banded = parsed.options.count("sigma") != 0;
    if (banded && !(parsed.options.count("forecast-from") && parsed.options.count("to")))
        usageFail("chart",
                  "--sigma needs --forecast-from and --to, the first and last periods the run solved");
    std::vector<std::string> names(parsed.words.begin() + 1, parsed.words.end());
    if (parsed.options.count("out")) {
        std::vector<std::string> read{bankBase(parsed.words[0])};
        for (const char* option : {"compare", "sigma"})
            if (parsed.options.count(option)) read.push_back(bankBase(parsed.options[option]));
        refuseBankOutput("out", parsed.options["out"], read);
    }

    ChartBank main = readChartBank(bankBase(parsed.words[0]), names);
    int16_t finest = 1;  // days in date options are read as periods of the finest frequency
    for (const BankSeries& series : main.series) finest = std::max(finest, series.frequency);
    DateBounds from{"", INFINITY, 0};
    DateBounds to{"", 0, -INFINITY};
    valuedSpan(main, from, to);
    if (parsed.options.count("from")) from = dateBounds("from", parsed.options["from"], finest);
    if (parsed.options.count("to")) to = dateBounds("to", parsed.options["to"], finest);
    if (!std::isfinite(from.begins) || !std::isfinite(to.ends))
        fail("none of the series has a value in %s", main.base.c_str());
    if (from.begins >= to.ends) {
        if (parsed.options.count("from") && parsed.options.count("to"))
            fail("--from %s comes after --to %s", from.text.c_str(), to.text.c_str());
        if (parsed.options.count("from"))
            fail("--from %s comes after the last value, at %s", from.text.c_str(), to.text.c_str());
        fail("--to %s comes before the first value, at %s", to.text.c_str(), from.text.c_str());
    }
    double forecastFrom = NAN;
    if (parsed.options.count("forecast-from")) {
        forecastFrom = dateBounds("forecast-from", parsed.options["forecast-from"], finest).begins;
        if (forecastFrom < from.begins || forecastFrom >= to.ends)
            fail("--forecast-from %s lies outside the chart, which runs from %s to %s",
                 parsed.options["forecast-from"].c_str(), from.text.c_str(), to.text.c_str());
    }
    DateTicks ticks =
        dateTicks(from.begins, to.ends, finest, kChartPlotWidth, kYearLabelWidth, kPeriodLabelWidth);

    Chart chart{{}, columnsOption(parsed, names.size()), from.begins, to.ends, forecastFrom, {}, "", ""};
    int32_t tickBase = calendarPeriodOfBase(ticks.frequency, model.bankBaseYear, model.bankBaseMonth);
    for (int32_t n : ticks.periods)
        chart.dateLabels.push_back(
            {static_cast<double>(n) / ticks.frequency, periodText(n - tickBase, ticks.frequency)});

    ChartBank compare =
        comparing ? readMatchingBank("compare", parsed.options["compare"], main, names) : ChartBank{};
    ChartBank sigma = banded ? readMatchingBank("sigma", parsed.options["sigma"], main, names) : ChartBank{};
    if (comparing) {
        chart.label = parsed.options.count("label") ? parsed.options["label"] : main.base;
        chart.compareLabel =
            parsed.options.count("compare-label") ? parsed.options["compare-label"] : compare.base;
    }
    for (size_t k = 0; k < names.size(); ++k) {
        const BankSeries& series = main.series[k];
        ChartPanel panel{names[k], 1.0 / series.frequency, {}, {}, {}, {}};
        bool valued = false;
        for (int32_t p = 0; p < main.header.length; ++p) {
            double middle = periodStart(p, series.frequency, main.header.baseYear, main.header.baseMonth) +
                            0.5 / series.frequency;
            if (middle < from.begins || middle > to.ends) continue;
            panel.times.push_back(middle);
            panel.values.push_back(valueOrGap(series.values, p));
            valued = valued || !std::isnan(panel.values.back());
            if (comparing) panel.compare.push_back(valueOrGap(compare.series[k].values, p));
            if (banded)
                panel.sigma.push_back(middle > forecastFrom ? valueOrGap(sigma.series[k].values, p) : NAN);
        }
        if (!valued)
            fail("series %s has no value from %s to %s", names[k].c_str(), from.text.c_str(),
                 to.text.c_str());
        chart.panels.push_back(std::move(panel));
    }
    writeChart(chartSvg(chart), parsed);
    return 0;
}
