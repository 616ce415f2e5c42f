// vornbank chart: series of a bank as one SVG picture, with the forecast
// marked, uncertainty bands from a sigma bank and a second bank to compare.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/series_by_name.h"
#include "base/exit.h"
#include "chart_scale.h"
#include "chart_svg.h"
#include "named_series.h"
#include "trials_data.h"
#include "base/dates.h"
#include "state/model_state.h"
#include "vornbank.h"

namespace {

const char* const kChartHelp =
    "usage: vornbank chart BANK NAME... [--from DATE] [--to DATE] [--forecast-from DATE]\n"
    "                      [--sigma SIGMABANK] [--compare OTHERBANK [--label TEXT] [--compare-label TEXT]]\n"
    "                      [--compare OTHERBANK --deviation [--percent]] [--fan TRIALS [--at P,...]]\n"
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
    "  --deviation           instead, BANK - OTHERBANK with a line at zero; with --percent,\n"
    "                        100 x (BANK / OTHERBANK - 1)\n"
    "  --fan TRIALS          the trials file of vorn --trials as a fan over its periods: the\n"
    "                        median as the line, bands between pairs of percentiles (--at, by\n"
    "                        default 5,25,50,75,95: 5-95 and, darker, 25-75), interpolated\n"
    "                        linearly between the sorted trials as numpy.percentile does\n"
    "\n"
    "The sigma and compared banks need BANK's base year and month and the same frequency\n"
    "for every series.\n";

const char* const kSigmaColours[] = {"#9ecae1", "#deebf7"};  // ±1σ, ±2σ

// A band of the fan between two percentiles, low + high = 100.
struct FanPair {
    double low;
    double high;
};

// The fan's bands from --at (outer first): its percentiles must be 50 and pairs around it.
std::vector<FanPair> fanPairs(const VerbArgs& parsed) {
    auto at = parsed.options.find("at");
    std::vector<double> percentiles = percentilesOption("chart", at == parsed.options.end() ? nullptr : &at->second);
    std::vector<FanPair> pairs;
    bool median = false;
    for (size_t i = 0; i < percentiles.size(); ++i) {
        const double p = percentiles[i];
        median = median || p == 50;
        if (p >= 50) continue;
        if (std::find(percentiles.begin(), percentiles.end(), 100 - p) == percentiles.end())
            usageFail("chart", "--at %s: %s has no partner %s; the fan's bands lie between pairs that add up to 100",
                      at->second.c_str(), percentileText(p).c_str(), percentileText(100 - p).c_str());
        pairs.push_back({p, 100 - p});
    }
    if (!median || pairs.size() * 2 + 1 != percentiles.size())
        usageFail("chart", "--at %s: the fan needs 50, its median, and pairs that add up to 100",
                  at->second.c_str());
    return pairs;
}

// Lighter outside, darker inside: the bands of the fan, outer first.
std::string fanColour(size_t outerIndex, size_t count) {
    static const char* const shades[] = {"#c6dbef", "#9ecae1", "#6baed6"};
    const size_t shade = count == 1 ? 1 : static_cast<size_t>(std::lround(2.0 * outerIndex / (count - 1)));
    return shades[shade];
}

// Every trial's values of the charted series, sorted, and the bank period of each of the file's periods.
struct Fan {
    int64_t periods = 0;
    std::vector<int32_t> bankPeriods;
    std::vector<std::vector<float>> samples;  // by series, then period of the file
};

Fan readFan(const std::string& path, const std::vector<std::string>& names, const ChartBank& main) {
    TrialsData data = openTrials(path);
    std::vector<int64_t> series = trialsSeriesOf(data, names);
    Fan fan;
    fan.periods = data.periods;
    for (const std::string& date : data.dates) {
        PeriodDate period{};
        if (!parseDate(bankCalendar(), date, period) || period.index < 0 || period.index >= main.header.length)
            fail("%s runs to %s, which is not a period of %s", path.c_str(), date.c_str(), main.base.c_str());
        fan.bankPeriods.push_back(period.index);
    }
    for (size_t k = 0; k < names.size(); ++k)
        if (main.series[k].frequency != data.frequency)
            fail("series %s is %s in %s but the trials in %s are %s", names[k].c_str(),
                 frequencyName(main.series[k].frequency), main.base.c_str(), path.c_str(),
                 frequencyName(data.frequency));
    fan.samples = trialSamples(data, series, 0, data.periods - 1);
    closeTrials(data);
    return fan;
}

// At bank period p of series k: the median as the line and the fan's bands, where the trials have values.
void addFanPeriod(const Fan& fan, size_t k, int32_t p, const std::vector<FanPair>& pairs, ChartPanel& panel) {
    auto found = std::find(fan.bankPeriods.begin(), fan.bankPeriods.end(), p);
    const std::vector<float>* sample =
        found == fan.bankPeriods.end() ? nullptr
                                       : &fan.samples[k * static_cast<size_t>(fan.periods) +
                                                      static_cast<size_t>(found - fan.bankPeriods.begin())];
    if (sample && sample->empty()) sample = nullptr;
    if (sample) panel.values.back() = percentileOf(*sample, 50);
    for (size_t b = 0; b < pairs.size(); ++b) {
        panel.bands[b].low.push_back(sample ? percentileOf(*sample, pairs[b].low) : NAN);
        panel.bands[b].high.push_back(sample ? percentileOf(*sample, pairs[b].high) : NAN);
    }
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
            if (begins < from.begins) from = {periodText(bankCalendar(), p, series.frequency), begins, 0};
            if (begins + 1.0 / series.frequency > to.ends)
                to = {periodText(bankCalendar(), p, series.frequency), 0, begins + 1.0 / series.frequency};
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
        requireWritten(writeWholeFile(out->second, svg));
}

}  // namespace

int runChart(const std::vector<std::string>& args) {
    VerbArgs parsed = parseVerbArgs(
        "chart", args,
        {"from", "to", "forecast-from", "sigma", "compare", "label", "compare-label", "columns", "out", "fan", "at"},
        {"deviation", "percent"}, kChartHelp);
    if (parsed.words.size() < 2) usageFail("chart", "chart takes a BANK and the names of its series");
    bool comparing = parsed.options.count("compare") != 0;
    if (!comparing && (parsed.options.count("label") || parsed.options.count("compare-label")))
        usageFail("chart", "--label and --compare-label name the banks of --compare");
    const bool deviation = parsed.options.count("deviation") != 0;
    if (deviation && !comparing) usageFail("chart", "--deviation draws BANK against the bank of --compare, which is missing");
    if (parsed.options.count("percent") && !deviation) usageFail("chart", "--percent needs --deviation");
    const bool fanned = parsed.options.count("fan") != 0;
    if (parsed.options.count("at") && !fanned) usageFail("chart", "--at gives the percentiles of --fan");
    if (fanned && (parsed.options.count("sigma") || deviation))
        usageFail("chart", "--fan draws its own bands; it goes with neither --sigma nor --deviation");
    const std::vector<FanPair> pairs = fanned ? fanPairs(parsed) : std::vector<FanPair>{};
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

    Chart chart{{}, columnsOption(parsed, names.size()), from.begins, to.ends, forecastFrom, {}, "", "", {}, deviation};
    int32_t tickBase = calendarPeriodOfBase(ticks.frequency, model.bankBaseYear, model.bankBaseMonth);
    for (int32_t n : ticks.periods)
        chart.dateLabels.push_back(
            {static_cast<double>(n) / ticks.frequency, periodText(bankCalendar(), n - tickBase, ticks.frequency)});

    ChartBank compare =
        comparing ? readMatchingBank("--compare", parsed.options["compare"], main, names) : ChartBank{};
    ChartBank sigma = banded ? readMatchingBank("--sigma", parsed.options["sigma"], main, names) : ChartBank{};
    if (comparing) {
        chart.label = parsed.options.count("label") ? parsed.options["label"] : main.base;
        chart.compareLabel =
            parsed.options.count("compare-label") ? parsed.options["compare-label"] : compare.base;
    }
    if (deviation) {
        chart.label = parsed.options.count("percent")
                          ? chart.label + ": % deviation from " + chart.compareLabel
                          : chart.label + " − " + chart.compareLabel;
        chart.compareLabel.clear();
    }
    Fan fan = fanned ? readFan(parsed.options["fan"], names, main) : Fan{};
    if (fanned) {
        if (chart.label.empty()) chart.label = "median of the trials";
        for (size_t b = 0; b < pairs.size(); ++b)
            chart.bandLegend.push_back({fanColour(b, pairs.size()), percentileText(pairs[b].low) + "–" +
                                                                        percentileText(pairs[b].high) + "% of trials"});
    }
    if (banded) chart.bandLegend = {{kSigmaColours[0], "±1σ"}, {kSigmaColours[1], "±2σ"}};
    for (size_t k = 0; k < names.size(); ++k) {
        const BankSeries& series = main.series[k];
        ChartPanel panel{names[k], 1.0 / series.frequency, {}, {}, {}, {}};
        if (banded)
            for (int k : {2, 1}) panel.bands.push_back({"band" + std::to_string(k), kSigmaColours[k - 1], {}, {}});
        for (size_t b = 0; b < pairs.size(); ++b)
            panel.bands.push_back({"fan" + std::to_string(pairs.size() - b), fanColour(b, pairs.size()), {}, {}});
        bool valued = false;
        for (int32_t p = 0; p < main.header.length; ++p) {
            double middle = periodStart(p, series.frequency, main.header.baseYear, main.header.baseMonth) +
                            0.5 / series.frequency;
            if (middle < from.begins || middle > to.ends) continue;
            panel.times.push_back(middle);
            panel.values.push_back(valueOrGap(series.values, p));
            if (deviation) panel.values.back() = deviationOf(valueAt(series, p), valueAt(compare.series[k], p), parsed.options.count("percent") != 0);
            else if (comparing) panel.compare.push_back(valueOrGap(compare.series[k].values, p));
            if (banded) {
                const double sd = middle > forecastFrom ? valueOrGap(sigma.series[k].values, p) : NAN;
                const bool shown = std::isfinite(panel.values.back()) && sd > 0;
                for (int k : {2, 1}) {
                    panel.bands[2 - k].low.push_back(shown ? panel.values.back() - k * sd : NAN);
                    panel.bands[2 - k].high.push_back(shown ? panel.values.back() + k * sd : NAN);
                }
            }
            if (fanned) addFanPeriod(fan, k, p, pairs, panel);
            valued = valued || !std::isnan(panel.values.back());
        }
        if (!valued)
            fail("series %s has no value from %s to %s", names[k].c_str(), from.text.c_str(),
                 to.text.c_str());
        chart.panels.push_back(std::move(panel));
    }
    writeChart(chartSvg(chart), parsed);
    return kExitNormal;
}
