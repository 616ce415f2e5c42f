// Fuzz target: a bank's two files. The input holds the index file and the data
// file, cut at "\n==\n"; both go through the start-up readers, every named
// series is read by name, the run's series are loaded and written back, and a
// series is written under an existing and under a new name.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string>

#include "bank/bank_file.h"
#include "bank/bank_header.h"
#include "bank/series_by_name.h"
#include "fuzz_support.h"
#include "base/exit.h"
#include "state/model_state.h"

namespace {

// The run loads this many series (fewer when the index names fewer), with one lag each.
constexpr int32_t kRunSeries = 4;

void readEverySeries() {
    ValueTable table = makeValueTable();
    for (int16_t k = 0; k < model.nameCount; ++k) readSeries(model.namePool.data() + model.nameOffsets[k], table);
}

void loadAndWriteRun() {
    model.seriesCount = std::min<int32_t>(kRunSeries, model.nameCount);
    model.seriesLags.assign(static_cast<size_t>(model.seriesCount), 1);
    model.startIndex = 1;
    model.endIndex = 6;
    model.periodCount = model.endIndex - model.startIndex;
    if (allocateWorkspace().error != BankError::none || loadAllSeries().error != BankError::none) return;
    writeAllSeries(model.series, model.bankDataFile);
}

void writeSeriesByName() {
    ValueTable table = makeValueTable();
    for (size_t p = 0; p < table.size(); ++p) table[p] = static_cast<float>(p);
    model.frequency = 4;
    int32_t position;
    if (model.nameCount > 0) writeSeries(model.namePool.data() + model.nameOffsets[0], table, position);
    writeSeries("fuzz_new", table, position);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> parts = splitFuzzInput(data, size, 2);
    runFuzzInput([&] {
        writeFuzzFile("bws.ind", parts[0]);
        writeFuzzFile("bws.bnk", parts[1]);
        BankHeader header;
        if (openBankFiles("bws.bnk", "bws.ind", BankAccess::write).error != BankError::none ||
            readIndex(model.bankIndexFile, model.nameCount).error != BankError::none ||
            readBankHeader(model.bankDataFile, header).error != BankError::none)
            return;
        model.bankBaseYear = header.baseYear;
        model.bankBaseMonth = header.baseMonth;
        model.bankLength = header.length;
        readEverySeries();
        loadAndWriteRun();
        writeSeriesByName();
    });
    return 0;
}
