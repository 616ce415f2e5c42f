// Building and reading workspace bank files byte by byte.
#include "support/bank_files.h"

#include <cstring>
#include <stdexcept>

#include "bank/bank_file.h"
#include "state/model_state.h"
#include "support/harness.h"

namespace {

constexpr size_t kHeaderBytes = 86;
constexpr size_t kTitleOffset = 6;
constexpr size_t kTitleBytes = 80;

size_t recordStart(int k, int length) {
    return kHeaderBytes + static_cast<size_t>(k) * (1 + 4 * static_cast<size_t>(length));
}

}  // namespace

std::string le16(uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string le32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    std::string bytes;
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<char>((bits >> (8 * b)) & 0xFF));
    return bytes;
}

int16_t int16At(const std::string& bytes, size_t offset) {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                                static_cast<uint8_t>(bytes.at(offset + 1)) << 8);
}

float floatAt(const std::string& bytes, size_t offset) {
    uint32_t bits = 0;
    for (size_t b = 0; b < 4; ++b)
        bits |= static_cast<uint32_t>(static_cast<unsigned char>(bytes.at(offset + b))) << (8 * b);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

std::string dataFileBytes(int16_t baseYear, int16_t baseMonth, int16_t length,
                          const std::vector<RecordBytes>& records, const std::string& title) {
    std::string bytes = le16(static_cast<uint16_t>(baseYear)) + le16(static_cast<uint16_t>(baseMonth)) +
                        le16(static_cast<uint16_t>(length));
    std::string field = title;
    field.resize(kTitleBytes, '\0');
    bytes += field;
    for (const RecordBytes& record : records) {
        bytes.push_back(record.frequency);
        for (int p = 0; p < length; ++p)
            bytes += le32(p < static_cast<int>(record.values.size()) ? record.values[p] : 0.0f);
    }
    return bytes;
}

std::string indexFileBytes(const std::vector<std::string>& names, char spareByte) {
    std::string bytes = le16(static_cast<uint16_t>(names.size()));
    std::string pool;
    for (const std::string& name : names) {
        bytes += le16(static_cast<uint16_t>(pool.size()));
        pool += name;
        pool.push_back('\0');
    }
    bytes += le16(static_cast<uint16_t>(pool.size()));
    pool.push_back(spareByte);
    return bytes + pool;
}

size_t bankValueOffset(int k, int p, int length) { return recordStart(k, length) + 1 + 4 * static_cast<size_t>(p); }

void openWorkspaceBank(const std::string& data, const std::string& index) {
    writeFile("bws.bnk", data);
    writeFile("bws.ind", index);
    ASSERT_EQ(openBankFiles("bws.bnk", "bws.ind", BankAccess::write).error, BankError::none);
    ASSERT_EQ(readIndex(model.bankIndexFile, model.nameCount).error, BankError::none);
    model.bankBaseYear = int16At(data, 0);
    model.bankBaseMonth = int16At(data, 2);
    model.bankLength = int16At(data, 4);
}

BankImage::BankImage(const std::string& stem) : data(readFile(stem + ".bnk")), index(readFile(stem + ".ind")) {
    length = int16At(data, 4);
    const size_t count = static_cast<size_t>(int16At(index, 0));
    const size_t pool = 2 + 2 * (count + 1);
    for (size_t k = 0; k < count; ++k)
        names.emplace_back(index.c_str() + pool + static_cast<uint16_t>(int16At(index, 2 + 2 * k)));
}

int BankImage::position(const std::string& name) const {
    for (size_t k = 0; k < names.size(); ++k)
        if (names[k] == name) return static_cast<int>(k);
    return -1;
}

int BankImage::record(const std::string& name) const {
    const int k = position(name);
    if (k < 0) throw std::out_of_range("no series " + name + " in the bank");
    return k;
}

float BankImage::value(const std::string& name, int period) const {
    return floatAt(data, bankValueOffset(record(name), period, length));
}

std::vector<float> BankImage::values(const std::string& name) const {
    std::vector<float> values;
    for (int p = 0; p < length; ++p) values.push_back(value(name, p));
    return values;
}

int8_t BankImage::frequency(const std::string& name) const {
    return static_cast<int8_t>(data.at(recordStart(record(name), length)));
}

std::string BankImage::title() const { return data.substr(kTitleOffset, kTitleBytes); }
