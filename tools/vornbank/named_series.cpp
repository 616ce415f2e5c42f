// Reading the named series of a bank, and of a second bank on the same calendar.
#include "named_series.h"

#include "bank/bank_file.h"
#include "bank/name_index.h"
#include "base/dates.h"
#include "state/model_state.h"
#include "vornbank.h"

float valueAt(const BankSeries& series, int32_t p) {
    return p >= 0 && p < static_cast<int32_t>(series.values.size()) ? series.values[p] : kMissingValue;
}

ChartBank readChartBank(const std::string& base, const std::vector<std::string>& names) {
    closeBankFiles();
    ChartBank bank{base, openToolBank(base, false), {}};
    for (const std::string& name : names) {
        if (findName(model.nameOffsets, model.namePool, name.c_str(), model.nameCount) < 0)
            fail("%s has no series %s", base.c_str(), name.c_str());
        BankSeries series{0, makeValueTable()};
        if (bankFailed(readSeries(name.c_str(), series.values)))
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

ChartBank readMatchingBank(const std::string& role, const std::string& word, const ChartBank& main,
                           const std::vector<std::string>& names) {
    ChartBank other = readChartBank(bankBase(word), names);
    if (other.header.baseYear != main.header.baseYear || other.header.baseMonth != main.header.baseMonth)
        fail("the %s bank %s begins in month %d of %d, but %s in month %d of %d; the banks need one base",
             role.c_str(), other.base.c_str(), other.header.baseMonth, other.header.baseYear,
             main.base.c_str(), main.header.baseMonth, main.header.baseYear);
    for (size_t k = 0; k < names.size(); ++k) {
        if (other.series[k].frequency != main.series[k].frequency)
            fail("series %s is %s in %s but %s in %s", names[k].c_str(),
                 frequencyName(other.series[k].frequency), other.base.c_str(),
                 frequencyName(main.series[k].frequency), main.base.c_str());
    }
    return other;
}

