// Joining what the steps of one bank operation tell, in the order they happened.
#include "bank/bank_status.h"

void addBankStatus(BankStatus& status, const BankStatus& later) {
    // Lines after a failure belong to its message, so that the notes stay first.
    if (status.error != BankError::none) {
        status.message += later.notes + later.message;
        return;
    }
    status.notes += later.notes;
    status.message += later.message;
    status.error = later.error;
    status.file = later.file;
    status.cause = later.cause;
}
