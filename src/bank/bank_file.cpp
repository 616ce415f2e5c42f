// Positions in the data file, opening the bank's files, and the check that a
// run's periods with their lags stay inside every series record.
#include "bank/bank_file.h"

#include <sys/stat.h>

#include <string>

#include "bank/journal.h"
#include "bank/stored_values.h"
#include "base/console.h"
#include "base/exit.h"
#include "state/model_state.h"

long recordOffset(int32_t k) {
    return kBankHeaderSize + static_cast<long>(k) * (4L * model.bankLength + 1);
}

long valueOffset(int32_t k, int32_t p) { return recordOffset(k) + 1 + 4L * p; }

void openBankFile(const char* name, FILE** slot) {
    FILE* stream = std::fopen(name, "r+b");
    if (!stream) {
        printOut("\nCannot open %s.\n", name);
        endProcess(5);
    }
    *slot = stream;
    forgetBankValues();
    if (std::fseek(stream, 0, SEEK_SET) != 0) {
        printOut("\nCannot do initial seek on %s.\n", name);
        endProcess(6);
    }
}

void openBank(const std::string& dataName, const std::string& indexName) {
    BankOpen opened = claimBank(dataName, indexName, BankAccess::write);
    if (opened != BankOpen::ready) endProcess(claimExitCode(opened, 5));
    openBankFile(dataName.c_str(), &model.bankDataFile);
    trackBankFile(model.bankDataFile, dataName, dataName);
    openBankFile(indexName.c_str(), &model.bankIndexFile);
    trackBankFile(model.bankIndexFile, indexName, dataName);
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

int checkBankExtent(FILE* data, int16_t baseMonth, int16_t length, int16_t nameCount) {
    if (baseMonth < 1 || baseMonth > 12) {
        printOut("\nThe bank's base month %d is not a month from 1 to 12.\n", baseMonth);
        return -1;
    }
    if (length < 1) {
        printOut("\nThe bank's length %d is not a number of periods of at least 1.\n", length);
        return -1;
    }
    struct stat status {};
    long needed = kBankHeaderSize + static_cast<long>(nameCount) * (4L * length + 1);
    if (fstat(fileno(data), &status) != 0 || status.st_size < needed) {
        printOut("\nThe bank's data file holds %ld bytes, too few for its header and %d series of %d periods (%ld bytes).\n",
                 static_cast<long>(status.st_size), nameCount, length, needed);
        return -1;
    }
    return 0;
}

namespace {

// "series 3 (GDP)", or "series 3" when the index has no name for it.
std::string seriesLabel(int32_t i) {
    std::string label = "series " + std::to_string(i);
    if (i < model.nameCount) label += std::string(" (") + (model.namePool.data() + model.nameOffsets[i]) + ")";
    return label;
}

}  // namespace

int checkRunFitsBank() {
    if (model.startIndex < 0) {
        printOut("\nThe run starts at bank period %d, before the bank's first period 0.\n",
                 model.startIndex);
        return -1;
    }
    if (model.endIndex >= model.bankLength) {
        printOut("\nThe run ends at bank period %d, beyond the bank's last period %d.\n",
                 model.endIndex, model.bankLength - 1);
        return -1;
    }
    for (int32_t i = 0; i < model.seriesCount; ++i) {
        int32_t lag = model.seriesLags[i];
        if (lag < 0) {
            printOut("\n%s has a negative lag %d.\n", seriesLabel(i).c_str(), lag);
            return -1;
        }
        if (model.startIndex - lag < 0) {
            printOut("\n%s needs bank period %d for its %d lags, before the bank's first period 0.\n",
                     seriesLabel(i).c_str(), model.startIndex - lag, lag);
            return -1;
        }
    }
    return 0;
}
