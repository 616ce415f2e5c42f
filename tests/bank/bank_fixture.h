// A fixture that opens bank files built byte by byte, independently of the
// code under test, as the workspace bank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bank/series_by_name.h"
#include "support/bank_files.h"
#include "support/harness.h"

class BankTest : public ModelTest {
protected:
    // Writes bws.bnk and bws.ind, opens both, reads the index and sets the header fields.
    void openBank(int16_t length, const std::vector<std::string>& names,
                  const std::vector<RecordBytes>& records, int16_t baseYear = 1990,
                  int16_t baseMonth = 1);
    std::string dataBytes() { return readFile("bws.bnk"); }
    std::string indexBytes() { return readFile("bws.ind"); }
    // Reopens the data (or index) file read-only, so that every write to it fails.
    void makeDataReadOnly();
    void makeIndexReadOnly();
    // readSeries and writeSeries giving 0 (the position when written) or -1,
    // with what they say added to `said`.
    int read(const char* name, ValueTable& table);
    int32_t write(const char* name, const ValueTable& table);
    std::string said;
};
