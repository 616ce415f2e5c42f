// The run's workspace: the series table with its lag slots, the coefficient
// and error vectors, loading every model series for the run's periods (from
// the bank file once, then from memory) and writing the solved periods back.
#include <new>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"
#include "bank/stored_values.h"
#include "state/model_state.h"

namespace {

const char* const kMemoryAllGone = "Memory all gone.\n";

// A table of `count` absent vectors, releasing what it held before; false when there is no memory for it.
bool obtainTable(std::vector<FloatVector>& table, int32_t count) {
    for (FloatVector& v : table) freeVector(v);
    try {
        table.assign(static_cast<size_t>(count), FloatVector{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

BankStatus allocateWorkspace() {
    if (!obtainTable(model.series, model.seriesCount)) return bankFailure(BankError::noTableMemory, kMemoryAllGone);
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        FloatVector v = allocVector(-model.seriesLags[i], model.periodCount);
        if (!v)
            return bankFailure(BankError::noSeriesMemory, "Not enough space for a forecast this long. Reduce length of forecast.\n");
        for (int32_t t = v.lo; t <= v.hi; ++t) v[t] = 0.0f;
        model.series[i] = v;
    }
    if (model.equationCount <= 0) return {};

    if (!obtainTable(model.coef, model.equationCount)) return bankFailure(BankError::noTableMemory, kMemoryAllGone);
    for (int32_t e = 0; e < model.equationCount; ++e) {
        if (model.coefCount[e] == 0) continue;
        model.coef[e] = allocVector(0, model.coefCount[e] - 1);
        if (!model.coef[e]) return bankFailure(BankError::noCoefficientMemory, kMemoryAllGone);
        for (int32_t k = 0; k < model.coefCount[e]; ++k) model.coef[e][k] = 0.0f;
    }

    freeVector(model.errorRho);
    freeVector(model.errorSee);
    model.errorRho = allocVector(0, model.equationCount - 1);
    if (!model.errorRho) return bankFailure(BankError::noRhoMemory, "");
    model.errorSee = allocVector(0, model.equationCount - 1);
    if (!model.errorSee) return bankFailure(BankError::noSeeMemory, "");
    for (int32_t e = 0; e < model.equationCount; ++e) {
        model.errorRho[e] = 0.0f;
        model.errorSee[e] = 0.0f;
    }
    return {};
}

BankStatus loadAllSeries() {
    BankStatus fits = checkRunFitsBank();
    if (fits.error != BankError::none) return fits;
    if (restoreLoadedSeries()) return {};
    bool complete = true;
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        int32_t lag = model.seriesLags[i];
        if (std::fseek(model.bankDataFile, valueOffset(i, model.startIndex - lag), SEEK_SET) != 0)
            return bankFailure(BankError::notRead, "\nCannot seek for series " + std::to_string(i) + " \n");
        // A read that stops early at the end of the file leaves the rest as it was.
        FloatVector& v = model.series[i];
        size_t wanted = static_cast<size_t>(lag) + model.periodCount + 1;
        size_t got = readFloats(model.bankDataFile, &v[-lag], wanted);
        if (got == 0) return bankFailure(BankError::notRead, "\nCannot read series " + std::to_string(i) + " \n");
        complete = complete && got == wanted;
    }
    // What a later loading leaves of a short read depends on the trial before
    // it, so only a whole loading is kept.
    if (complete) keepLoadedSeries();
    return {};
}

BankStatus writeAllSeries(const std::vector<FloatVector>& table, FILE* stream) {
    BankStatus status = checkRunFitsBank();
    if (status.error != BankError::none) return status;
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        status = checkValuesFinite(model.namePool.data() + model.nameOffsets[static_cast<size_t>(i)], &table[i][0],
                                   model.periodCount + 1, model.startIndex, model.runFrequency);
        if (status.error != BankError::none) return status;
    }
    std::vector<unsigned char> bytes(4 * (static_cast<size_t>(model.periodCount) + 1));
    BankRegions regions;
    for (int32_t i = 0; i < model.seriesCount; ++i)
        regions.emplace_back(valueOffset(i, model.startIndex), valueOffset(i, model.startIndex) + bytes.size());
    status = journalBankRegions(stream, regions);
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        for (int32_t t = 0; t <= model.periodCount; ++t) putFloat(&bytes[4 * static_cast<size_t>(t)], table[i][t]);
        addBankStatus(status, writeBankBytes(stream, valueOffset(i, model.startIndex), bytes.data(), bytes.size()));
        if (status.error == BankError::notPositioned) status.message += "\nCannot seek for series " + std::to_string(i) + "\n";
        if (status.error == BankError::notWritten) status.message += "\nCannot write series " + std::to_string(i) + "\n";
        if (status.error != BankError::none) return status;
    }
    return {};
}
