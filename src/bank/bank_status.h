// What a bank operation tells its caller. The bank layer neither prints nor
// ends the process: it says what it did on the way and what went wrong, in
// lines ready to be shown, and its caller shows them and decides what follows.
#pragma once

#include <string>
#include <utility>

enum class BankError {
    none,
    busy,           // another process holds the bank
    notRegular,     // a file of the bank is not a regular file
    untrusted,      // a journal beside the bank cannot be trusted
    unapplied,      // a journal a dead run left cannot be applied or removed
    notOpened,      // a bank file cannot be opened
    notPositioned,  // a bank file cannot be positioned
    badIndex,       // the index cannot be read, or is corrupt or full
    badHeader,      // the data file is shorter than its header
    notWhole,       // the header or the data file's length do not fit together
    outsideBank,    // the run's periods with their lags leave the bank
    notRead,        // a series cannot be found or read
    notWritten,     // a write, the journal's included, failed
    notFinite,      // a value that is not a finite number was to be written
    noTableMemory,  // no memory for the series or coefficient table
    noCoefficientMemory,
    noRhoMemory,
    noSeeMemory,
    noSeriesMemory,  // no memory for a series vector as long as the run
};

struct BankStatus {
    BankError error = BankError::none;
    std::string notes;    // what was done on the way, shown before the message
    std::string message;  // what went wrong; empty when nothing did
    std::string file;     // the file that could not be opened
    int cause = 0;        // errno of the system call that failed, or 0
};

// Adds the lines of `later` (a step of the same operation) to `status`, taking
// its error when it has one.
void addBankStatus(BankStatus& status, const BankStatus& later);

// A failure with its lines, and a success with its notes.
inline BankStatus bankFailure(BankError error, std::string message) {
    BankStatus status;
    status.error = error;
    status.message = std::move(message);
    return status;
}
inline BankStatus bankNote(std::string notes) {
    BankStatus status;
    status.notes = std::move(notes);
    return status;
}
