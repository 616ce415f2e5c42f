// The run's workspace: the series table with its lag slots, the coefficient
// and error vectors, loading every model series for the run's periods (from
// the bank file once, then from memory) and writing the solved periods back.
#include <new>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"
#include "bank/stored_values.h"
#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"

namespace {

[[noreturn]] void memoryAllGone(int code) {
    printOut("Memory all gone.\n");
    endProcess(code);
}

// A table of `count` absent vectors, releasing what it held before.
void obtainTable(std::vector<FloatVector>& table, int32_t count) {
    for (FloatVector& v : table) freeVector(v);
    try {
        table.assign(static_cast<size_t>(count), FloatVector{});
    } catch (const std::bad_alloc&) {
        memoryAllGone(12);
    }
}

}  // namespace

int allocateWorkspace() {
    obtainTable(model.series, model.seriesCount);
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        FloatVector v = allocVector(-model.seriesLags[i], model.periodCount);
        if (!v) {
            printOut("Not enough space for a forecast this long.");
            printOut(" Reduce length of forecast.\n");
            return -1;
        }
        for (int32_t t = v.lo; t <= v.hi; ++t) v[t] = 0.0f;
        model.series[i] = v;
    }
    if (model.equationCount <= 0) return 0;

    obtainTable(model.coef, model.equationCount);
    for (int32_t e = 0; e < model.equationCount; ++e) {
        if (model.coefCount[e] == 0) continue;
        model.coef[e] = allocVector(0, model.coefCount[e] - 1);
        if (!model.coef[e]) memoryAllGone(13);
        for (int32_t k = 0; k < model.coefCount[e]; ++k) model.coef[e][k] = 0.0f;
    }

    freeVector(model.errorRho);
    freeVector(model.errorSee);
    model.errorRho = allocVector(0, model.equationCount - 1);
    if (!model.errorRho) endProcess(6);
    model.errorSee = allocVector(0, model.equationCount - 1);
    if (!model.errorSee) endProcess(7);
    for (int32_t e = 0; e < model.equationCount; ++e) {
        model.errorRho[e] = 0.0f;
        model.errorSee[e] = 0.0f;
    }
    return 0;
}

int loadAllSeries() {
    if (checkRunFitsBank() != 0) return -1;
    if (restoreLoadedSeries()) return 0;
    bool complete = true;
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        int32_t lag = model.seriesLags[i];
        if (std::fseek(model.bankDataFile, valueOffset(i, model.startIndex - lag), SEEK_SET) != 0) {
            printOut("\nCannot seek for series %d \n", i);
            return -1;
        }
        // A read that stops early at the end of the file leaves the rest as it was.
        FloatVector& v = model.series[i];
        size_t wanted = static_cast<size_t>(lag) + model.periodCount + 1;
        size_t got = readFloats(model.bankDataFile, &v[-lag], wanted);
        if (got == 0) {
            printOut("\nCannot read series %d \n", i);
            return -1;
        }
        complete = complete && got == wanted;
    }
    // What a later loading leaves of a short read depends on the trial before
    // it, so only a whole loading is kept.
    if (complete) keepLoadedSeries();
    return 0;
}

void writeAllSeries(const std::vector<FloatVector>& table, FILE* stream, const char* label) {
    printOut("\nWriting %s to bank.", label);
    if (checkRunFitsBank() != 0) endProcess(7);
    for (int32_t i = 0; i < model.seriesCount; ++i)
        refuseValuesNotFinite(model.namePool.data() + model.nameOffsets[static_cast<size_t>(i)], &table[i][0],
                              model.periodCount + 1, model.startIndex, model.runFrequency);
    std::vector<unsigned char> bytes(4 * (static_cast<size_t>(model.periodCount) + 1));
    BankRegions regions;
    for (int32_t i = 0; i < model.seriesCount; ++i)
        regions.emplace_back(valueOffset(i, model.startIndex), valueOffset(i, model.startIndex) + bytes.size());
    journalBankRegions(stream, regions);
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        for (int32_t t = 0; t <= model.periodCount; ++t) putFloat(&bytes[4 * static_cast<size_t>(t)], table[i][t]);
        BankWrite written = writeBankBytes(stream, valueOffset(i, model.startIndex), bytes.data(), bytes.size());
        if (written == BankWrite::notPositioned) {
            printOut("\nCannot seek for series %d\n", i);
            endProcess(7);
        }
        if (written == BankWrite::notWritten) {
            printOut("\nCannot write series %d\n", i);
            endProcess(8);
        }
    }
}
