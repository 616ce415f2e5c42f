// Showing what the bank layer said on the console, and the run's exit codes
// for the bank failures it cannot go on after.
#include "fixer/bank_report.h"

#include "base/console.h"
#include "base/exit.h"

bool showBankStatus(const BankStatus& status) {
    printOut("%s%s", status.notes.c_str(), status.message.c_str());
    return status.error == BankError::none;
}

void showOpenedBank(const BankStatus& status) {
    if (showBankStatus(status)) return;
    switch (status.error) {
    case BankError::busy: endProcess(kExitBankBusy);
    case BankError::untrusted: endProcess(kExitJournalUntrusted);
    case BankError::notPositioned:
    case BankError::badHeader:
    case BankError::notWhole: endProcess(kExitBankHeader);
    case BankError::badIndex: endProcess(kExitBankIndex);
    default: endProcess(kExitBankOpen);
    }
}

void showWrittenSeries(const BankStatus& status) {
    if (showBankStatus(status)) return;
    switch (status.error) {
    case BankError::notFinite: endProcess(kExitNotFinite);
    case BankError::notWritten: endProcess(kExitBankWrite);
    default: endProcess(kExitSolvedNotWritten);
    }
}

int readShownSeries(const char* name, ValueTable& table) { return showBankStatus(readSeries(name, table)) ? 0 : -1; }

int32_t writeShownSeries(const char* name, const ValueTable& table) {
    int32_t position = -1;
    BankStatus written = writeSeries(name, table, position);
    showBankStatus(written);
    if (written.error == BankError::notFinite) endProcess(kExitNotFinite);
    return written.error == BankError::none ? position : -1;
}
