// Workspace bank files as bytes for the tests: a data file and an index file
// built from a plain description, and read back, without the bank code under
// test; and the step that opens such files as the run's workspace bank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Little-endian 16-bit integers and 32-bit floats.
std::string le16(uint16_t value);
std::string le32(float value);
int16_t int16At(const std::string& bytes, size_t offset);
float floatAt(const std::string& bytes, size_t offset);

// One record of a data file.
struct RecordBytes {
    char frequency;
    std::vector<float> values;  // padded with zeros to the bank length
};

// Header (base year, base month, length, title zero-padded to 80 bytes), then the records.
std::string dataFileBytes(int16_t baseYear, int16_t baseMonth, int16_t length,
                          const std::vector<RecordBytes>& records, const std::string& title = "test");
// Count, offsets and pool, then the spare byte.
std::string indexFileBytes(const std::vector<std::string>& names, char spareByte = '\0');

// Byte offset of the value of record k at bank period p in a data file of `length` periods.
size_t bankValueOffset(int k, int p, int length);

// Writes bws.bnk and bws.ind in the working directory and opens them as the
// workspace bank: both files open for update, the index read, the header fields set.
void openWorkspaceBank(const std::string& data, const std::string& index);

// A bank's two files (stem.bnk, stem.ind) as bytes, with the length and names they give.
struct BankImage {
    explicit BankImage(const std::string& stem);

    std::string data;
    std::string index;
    int16_t length = 0;
    std::vector<std::string> names;

    // The name's record number; -1 when the index lacks it.
    int position(const std::string& name) const;
    // Reading a series the index lacks throws std::out_of_range.
    float value(const std::string& name, int period) const;
    std::vector<float> values(const std::string& name) const;
    int8_t frequency(const std::string& name) const;
    std::string title() const;

private:
    int record(const std::string& name) const;  // position, or the throw
};
