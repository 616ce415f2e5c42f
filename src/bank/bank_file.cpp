// Positions in the data file, opening the bank's files, and the check that a
// run's periods with their lags stay inside every series record.
#include "bank/bank_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "bank/journal.h"
#include "bank/stored_values.h"
#include "state/model_state.h"

long recordOffset(int32_t k) {
    return kBankHeaderSize + static_cast<long>(k) * (4L * model.bankLength + 1);
}

long valueOffset(int32_t k, int32_t p) { return recordOffset(k) + 1 + 4L * p; }

BankStatus openBankFile(const char* name, FILE** slot, BankAccess access) {
    FILE* stream = std::fopen(name, access == BankAccess::write ? "r+b" : "rb");
    if (!stream) return {BankError::notOpened, "", "\nCannot open " + std::string(name) + ".\n", name, errno};
    *slot = stream;
    forgetBankValues();
    if (std::fseek(stream, 0, SEEK_SET) != 0)
        return {BankError::notPositioned, "", "\nCannot do initial seek on " + std::string(name) + ".\n", name, errno};
    return {};
}

namespace {

// Opens one file of a claimed bank; a writer's is tracked by the bank's journal.
BankStatus openClaimedFile(const std::string& name, FILE** slot, BankAccess access, const std::string& dataName) {
    BankStatus opened = openBankFile(name.c_str(), slot, access);
    if (opened.error == BankError::none && access == BankAccess::write) trackBankFile(*slot, name, dataName);
    return opened;
}

}  // namespace

BankStatus openBankFiles(const std::string& dataName, const std::string& indexName, BankAccess access) {
    BankStatus status = claimBank(dataName, indexName, access);
    if (status.error == BankError::none)
        addBankStatus(status, openClaimedFile(dataName, &model.bankDataFile, access, dataName));
    if (status.error == BankError::none)
        addBankStatus(status, openClaimedFile(indexName, &model.bankIndexFile, access, dataName));
    return status;
}

BankStatus openBank(const std::string& dataName, const std::string& indexName, BankAccess access,
                    BankHeader& header) {
    BankStatus status = openBankFiles(dataName, indexName, access);
    if (status.error == BankError::none) addBankStatus(status, readIndex(model.bankIndexFile, model.nameCount));
    if (status.error == BankError::none) addBankStatus(status, readBankHeader(model.bankDataFile, header));
    if (status.error == BankError::none)
        addBankStatus(status, checkBankExtent(model.bankDataFile, header.baseMonth, header.length, model.nameCount));
    if (status.error != BankError::none) return status;
    model.bankBaseYear = header.baseYear;
    model.bankBaseMonth = header.baseMonth;
    model.bankLength = header.length;
    return status;
}

void closeBankFile(FILE*& stream) {
    if (!stream) return;
    untrackBankFile(stream);
    std::fclose(stream);
    stream = nullptr;
}

void closeBankFiles() {
    closeBankFile(model.bankDataFile);
    closeBankFile(model.bankIndexFile);
}

BankStatus checkBankExtent(FILE* data, int16_t baseMonth, int16_t length, int16_t nameCount) {
    using std::to_string;
    if (baseMonth < 1 || baseMonth > 12)
        return bankFailure(BankError::notWhole, "\nThe bank's base month " + to_string(baseMonth) + " is not a month from 1 to 12.\n");
    if (length < 1)
        return bankFailure(BankError::notWhole, "\nThe bank's length " + to_string(length) + " is not a number of periods of at least 1.\n");
    struct stat status {};
    long needed = kBankHeaderSize + static_cast<long>(nameCount) * (4L * length + 1);
    if (fstat(fileno(data), &status) != 0 || status.st_size < needed)
        return bankFailure(BankError::notWhole, "\nThe bank's data file holds " + to_string(static_cast<long>(status.st_size)) +
                    " bytes, too few for its header and " + to_string(nameCount) + " series of " + to_string(length) +
                    " periods (" + to_string(needed) + " bytes).\n");
    return {};
}

namespace {

// "series 3 (GDP)", or "series 3" when the index has no name for it.
std::string seriesLabel(int32_t i) {
    std::string label = "series " + std::to_string(i);
    if (i < model.nameCount) label += std::string(" (") + (model.namePool.data() + model.nameOffsets[i]) + ")";
    return label;
}

}  // namespace

BankStatus checkRunFitsBank() {
    using std::to_string;
    auto outside = [](const std::string& line) { return bankFailure(BankError::outsideBank, line); };
    if (model.startIndex < 0)
        return outside("\nThe run starts at bank period " + to_string(model.startIndex) +
                       ", before the bank's first period 0.\n");
    if (model.endIndex >= model.bankLength)
        return outside("\nThe run ends at bank period " + to_string(model.endIndex) + ", beyond the bank's last period " +
                       to_string(model.bankLength - 1) + ".\n");
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        int32_t lag = model.seriesLags[i];
        if (lag < 0) return outside("\n" + seriesLabel(i) + " has a negative lag " + to_string(lag) + ".\n");
        if (model.startIndex - lag < 0)
            return outside("\n" + seriesLabel(i) + " needs bank period " + to_string(model.startIndex - lag) + " for its " +
                           to_string(lag) + " lags, before the bank's first period 0.\n");
    }
    return {};
}
