// What every solution run of a process reads again although nothing changes
// it while the runs go on: heart.dat's blocks, every model series as loaded,
// and bank records over the run's periods (the fix values and the base values
// of rho fixes). Each part is kept from its first complete reading; the bank
// layer forgets the bank's parts whenever it opens, writes or restores a bank
// file.
#pragma once

#include <cstdint>
#include <vector>

#include "state/coefficient_block.h"

// Values of one bank record at bank periods startIndex .. startIndex + periodCount.
struct StoredRecord {
    int32_t record;
    std::vector<float> values;
};

struct TrialCache {
    bool coefficientsRead;                            // heart.dat has been read whole once
    std::vector<CoefficientBlock> coefficientBlocks;  // one per equation, as read

    // The run the bank's parts belong to: its base period and its number of periods.
    int32_t storedStart;
    int32_t storedPeriods;
    bool seriesStored;                // loadedSeries holds a complete loading
    std::vector<float> loadedSeries;  // series 0, 1, ... each from its first lag to periodCount
    std::vector<StoredRecord> records;
};
