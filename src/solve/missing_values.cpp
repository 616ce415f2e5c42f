// Missing values in the bank at the run's periods. The model computes most of
// its series in every pass, so a missing value there is only a starting guess;
// the series it only reads take what the bank holds.
#include "solve/missing_values.h"

#include <charconv>
#include <string>

#include "bank/series_by_name.h"
#include "base/console.h"
#include "base/date_notation.h"
#include "fixer/bank_report.h"
#include "solve/regression_terms.h"
#include "state/model_state.h"

namespace {

// The values the base pass reads before it writes them: series at the base
// period (lag 0) and lags fromLag..toLag before it. The regressions' dependents
// are read at the base period too, since no regression writes there.
struct ValuesRead {
    int series;
    int fromLag;
    int toLag;
};
constexpr ValuesRead kBaseReads[] = {
    {1, 0, 0},  {2, 0, 1},  {3, 1, 11}, {4, 0, 0},  {4, 4, 4},  {5, 1, 1},  {7, 0, 0},
    {8, 0, 0},  {9, 0, 0},  {10, 1, 1}, {11, 1, 4}, {12, 0, 0}, {15, 0, 0}, {18, 0, 0},
    {19, 0, 0}, {21, 0, 0}, {24, 0, 0}, {26, 0, 0}, {29, 0, 0}, {31, 0, 0}, {33, 0, 0}};

// The series the model's identities and the stock accumulation write in every pass.
constexpr int kComputed[] = {2, 3, 5, 6, 7, 10, 11, 13, 14, 16, 17, 20, 22, 23, 25, 27, 28, 30, 32, 34, 35};

const char* seriesName(int32_t k) { return model.namePool.data() + model.nameOffsets[k]; }

std::string dateOf(int32_t index) { return periodText(bankCalendar(), index, model.runFrequency); }

// True when the model writes series k at every solved period: an identity's
// result, or a regression's dependent that is not skipped.
bool computed(int32_t k) {
    for (int series : kComputed)
        if (series == k) return true;
    for (const Regression& regression : kRegressions)
        if (regression.dependent == k) return model.fixOfSeries[static_cast<size_t>(k)] != -1;
    return false;
}

// The bank's record of series k; the frequency the read leaves is put back.
bool readRecord(int32_t k, ValueTable& table) {
    const int16_t frequency = model.frequency;
    const bool read = showBankStatus(readSeriesAt(k, table));
    model.frequency = frequency;
    return read;
}

std::string shortest(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

int checkBaseValues() {
    ValueTable table = makeValueTable();
    for (const ValuesRead& read : kBaseReads) {
        // A record that cannot be read is the loading's to report, with its own exit code.
        if (!readRecord(read.series, table)) continue;
        for (int lag = read.fromLag; lag <= read.toLag; ++lag) {
            const int32_t at = model.startIndex - lag;
            if (!inMissingBand(table[static_cast<size_t>(at)])) continue;
            int32_t last = at - 1;
            while (last >= 0 && inMissingBand(table[static_cast<size_t>(last)])) --last;
            std::string where = lag == 0 ? ", the base period"
                                         : ", " + std::to_string(lag) + (lag == 1 ? " period" : " periods") +
                                               " before the base period " + dateOf(model.startIndex);
            std::string before = last >= 0 ? "its last value is at " + dateOf(last) : "it has no value before it";
            printOut("\n%s has no value at %s%s; %s.\n", seriesName(read.series), dateOf(at).c_str(), where.c_str(),
                     before.c_str());
            return -1;
        }
    }
    return 0;
}

void reportCarriedValues() {
    ValueTable table = makeValueTable();
    for (int32_t k = 0; k < model.seriesCount; ++k) {
        if (computed(k) || !readRecord(k, table)) continue;
        const float* run = table.data() + model.startIndex;  // run[t] is period t of the run
        int32_t first = 1;
        while (first <= model.periodCount && !inMissingBand(run[first])) ++first;
        if (first > model.periodCount || inMissingBand(run[first - 1])) continue;
        int32_t gaps = 0;
        bool valueAfter = false;
        for (int32_t t = first; t <= model.periodCount; ++t) {
            gaps += inMissingBand(run[t]);
            valueAfter = valueAfter || !inMissingBand(run[t]);
        }
        const std::string from = dateOf(model.startIndex + first);
        const std::string carried = dateOf(model.startIndex + first - 1);
        const std::string value = shortest(run[first - 1]);
        if (!valueAfter || gaps == 1)
            printOut("\n%s has no value %s %s: its value at %s, %s, is carried forward.\n", seriesName(k),
                     valueAfter ? "at" : "from", (from + (valueAfter ? "" : " on")).c_str(), carried.c_str(),
                     value.c_str());
        else
            printOut("\n%s has no value at %d periods of the run from %s on, each taking the value of the period "
                     "before it (at %s: %s from %s).\n",
                     seriesName(k), gaps, from.c_str(), from.c_str(), value.c_str(), carried.c_str());
    }
}
