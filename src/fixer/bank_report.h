// The console's side of the bank layer: what a bank operation said is shown
// to the operator exactly as it is, its notes first, and where the run cannot
// go on it ends with the exit code of what went wrong.
#pragma once

#include <cstdint>

#include "bank/bank_status.h"
#include "bank/series_by_name.h"

// Shows the operation's notes and message; true when nothing went wrong.
bool showBankStatus(const BankStatus& status);
// Shows what claiming or opening a bank said; ends the run when it failed:
// kExitBankBusy, kExitJournalUntrusted, kExitBankHeader, kExitBankIndex or
// kExitBankOpen.
void showOpenedBank(const BankStatus& status);
// Shows what writing the solved periods of every series said; ends the run when
// it failed: kExitNotFinite, kExitBankWrite or kExitSolvedNotWritten.
void showWrittenSeries(const BankStatus& status);

// readSeries and writeSeries with what they say shown. Reading gives 0 or -1;
// writing gives the series' bank position or -1, and ends the run
// (kExitNotFinite) on a value that is not a finite number.
int readShownSeries(const char* name, ValueTable& table);
int32_t writeShownSeries(const char* name, const ValueTable& table);
