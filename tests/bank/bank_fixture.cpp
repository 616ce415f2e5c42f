// The bank tests' workspace bank.
#include "bank_fixture.h"

#include "bank/journal.h"
#include "state/model_state.h"

void BankTest::openBank(int16_t length, const std::vector<std::string>& names,
                        const std::vector<RecordBytes>& records, int16_t baseYear, int16_t baseMonth) {
    openWorkspaceBank(dataFileBytes(baseYear, baseMonth, length, records), indexFileBytes(names, 'Z'));
}

void BankTest::makeDataReadOnly() {
    std::fclose(model.bankDataFile);
    model.bankDataFile = std::fopen("bws.bnk", "rb");
    trackBankFile(model.bankDataFile, "bws.bnk", "bws.bnk");
}

void BankTest::makeIndexReadOnly() {
    std::fclose(model.bankIndexFile);
    model.bankIndexFile = std::fopen("bws.ind", "rb");
    trackBankFile(model.bankIndexFile, "bws.ind", "bws.bnk");
}

int BankTest::read(const char* name, ValueTable& table) {
    BankStatus status = readSeries(name, table);
    said += status.notes + status.message;
    return status.error == BankError::none ? 0 : -1;
}

int32_t BankTest::write(const char* name, const ValueTable& table) {
    int32_t position = -1;
    BankStatus status = writeSeries(name, table, position);
    said += status.notes + status.message;
    return status.error == BankError::none ? position : -1;
}
