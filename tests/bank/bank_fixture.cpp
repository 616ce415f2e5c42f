// Byte-level bank builders for the bank tests.
#include "bank_fixture.h"

#include <cstring>

#include "bank/bank_file.h"
#include "state/model_state.h"

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

float floatAt(const std::string& bytes, long offset) {
    uint32_t bits = 0;
    for (int b = 0; b < 4; ++b)
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
    field.resize(80, '\0');
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

void BankTest::openBank(int16_t length, const std::vector<std::string>& names,
                        const std::vector<RecordBytes>& records, int16_t baseYear, int16_t baseMonth) {
    writeFile("bws.bnk", dataFileBytes(baseYear, baseMonth, length, records));
    writeFile("bws.ind", indexFileBytes(names, 'Z'));
    openBankFile("bws.bnk", &model.bankDataFile);
    openBankFile("bws.ind", &model.bankIndexFile);
    ConsoleCapture quiet;
    ASSERT_EQ(readIndex(model.bankIndexFile, model.nameCount), 0);
    model.bankBaseYear = baseYear;
    model.bankBaseMonth = baseMonth;
    model.bankLength = length;
}

void BankTest::makeDataReadOnly() {
    std::fclose(model.bankDataFile);
    model.bankDataFile = std::fopen("bws.bnk", "rb");
}

void BankTest::makeIndexReadOnly() {
    std::fclose(model.bankIndexFile);
    model.bankIndexFile = std::fopen("bws.ind", "rb");
}
