// Bank files built byte by byte for the bank tests, independently of the code
// under test, and a fixture that opens them as the workspace bank.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/harness.h"

std::string le16(uint16_t value);
std::string le32(float value);
float floatAt(const std::string& bytes, long offset);

struct RecordBytes {
    char frequency;
    std::vector<float> values;  // padded with zeros to the bank length
};

// Header (title zero-padded) followed by the records.
std::string dataFileBytes(int16_t baseYear, int16_t baseMonth, int16_t length,
                          const std::vector<RecordBytes>& records, const std::string& title = "test");
// Count, offsets and pool, then the spare byte.
std::string indexFileBytes(const std::vector<std::string>& names, char spareByte = '\0');

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
};
