// The bank tests' workspace bank.
#include "bank_fixture.h"

#include "state/model_state.h"

void BankTest::openBank(int16_t length, const std::vector<std::string>& names,
                        const std::vector<RecordBytes>& records, int16_t baseYear, int16_t baseMonth) {
    openWorkspaceBank(dataFileBytes(baseYear, baseMonth, length, records), indexFileBytes(names, 'Z'));
}

void BankTest::makeDataReadOnly() {
    std::fclose(model.bankDataFile);
    model.bankDataFile = std::fopen("bws.bnk", "rb");
}

void BankTest::makeIndexReadOnly() {
    std::fclose(model.bankIndexFile);
    model.bankIndexFile = std::fopen("bws.ind", "rb");
}
