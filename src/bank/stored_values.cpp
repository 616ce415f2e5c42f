// The bank's part of the trial cache: the loaded series and the records read
// over the run's periods, kept for the run they were read for.
#include "bank/stored_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "base/date_notation.h"
#include "state/model_state.h"

namespace {

// Values in one loading of every model series, lags included.
size_t loadingLength() {
    size_t length = 0;
    for (int32_t i = 0; i < model.seriesCount; ++i)
        length += static_cast<size_t>(model.seriesLags[static_cast<size_t>(i)]) + model.periodCount + 1;
    return length;
}

// What is kept belongs to one run's base period and length.
TrialCache& cacheOfThisRun() {
    TrialCache& cache = model.trialCache;
    if (cache.storedStart != model.startIndex || cache.storedPeriods != model.periodCount) {
        forgetBankValues();
        cache.storedStart = model.startIndex;
        cache.storedPeriods = model.periodCount;
    }
    return cache;
}

bool readFromFile(int32_t record, int32_t bankPeriod, float* values, size_t count) {
    FILE* bank = model.bankDataFile;
    return bank && std::fseek(bank, valueOffset(record, bankPeriod), SEEK_SET) == 0 &&
           readFloats(bank, values, count) == count;
}

}  // namespace

bool restoreLoadedSeries() {
    TrialCache& cache = cacheOfThisRun();
    if (!cache.seriesStored || cache.loadedSeries.size() != loadingLength()) return false;
    const float* from = cache.loadedSeries.data();
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        const int32_t lag = model.seriesLags[static_cast<size_t>(i)];
        const size_t count = static_cast<size_t>(lag) + model.periodCount + 1;
        std::copy(from, from + count, &model.series[static_cast<size_t>(i)][-lag]);
        from += count;
    }
    return true;
}

void keepLoadedSeries() {
    TrialCache& cache = cacheOfThisRun();
    cache.loadedSeries.clear();
    cache.loadedSeries.reserve(loadingLength());
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        const int32_t lag = model.seriesLags[static_cast<size_t>(i)];
        const float* first = &model.series[static_cast<size_t>(i)][-lag];
        cache.loadedSeries.insert(cache.loadedSeries.end(), first, first + lag + model.periodCount + 1);
    }
    cache.seriesStored = true;
}

bool readRunValue(int32_t record, int32_t bankPeriod, float& value) {
    TrialCache& cache = cacheOfThisRun();
    const int32_t t = bankPeriod - model.startIndex;
    if (t < 0 || t > model.periodCount) return readFromFile(record, bankPeriod, &value, 1);
    for (const StoredRecord& stored : cache.records) {
        if (stored.record == record) {
            value = stored.values[static_cast<size_t>(t)];
            return true;
        }
    }
    StoredRecord stored{record, std::vector<float>(static_cast<size_t>(model.periodCount) + 1)};
    if (!readFromFile(record, model.startIndex, stored.values.data(), stored.values.size()))
        return readFromFile(record, bankPeriod, &value, 1);  // a record cut short: only what is there
    value = stored.values[static_cast<size_t>(t)];
    cache.records.push_back(std::move(stored));
    return true;
}

void forgetBankValues() {
    TrialCache& cache = model.trialCache;
    cache.seriesStored = false;
    cache.loadedSeries.clear();
    cache.records.clear();
}

BankStatus checkValuesFinite(const char* name, const float* values, int32_t count, int32_t firstPeriod,
                             int16_t frequency) {
    for (int32_t p = 0; p < count; ++p) {
        if (std::isfinite(values[p])) continue;
        return bankFailure(BankError::notFinite, "\n" + std::string(name) + " is not written into the bank: its value at " +
                    periodText(bankCalendar(), firstPeriod + p, frequency) + " is " +
                    (std::isnan(values[p]) ? "nan" : values[p] > 0 ? "inf" : "-inf") + ", not a finite number.\n");
    }
    return {};
}
