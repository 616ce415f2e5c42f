// Bank values that the solution runs of a process read again and again: every
// model series as loaded, and single records over the run's periods. Nothing
// writes the bank while the runs go on, so each is kept in model.trialCache
// from its first complete reading; opening a bank file, any write to one (all
// go through the journal layer) and undoing a change forget them, and so does
// a change of the run's base period or length.
#pragma once

#include <cstdint>

#include "bank/bank_status.h"

// Puts the kept loading of every model series into model.series; false when
// there is none for this run.
bool restoreLoadedSeries();
// Keeps model.series, just loaded completely from the bank, for later loadings.
void keepLoadedSeries();

// The value of record `record` at bank period `bankPeriod`: inside the run's
// periods from the record as kept (read whole at its first use), elsewhere or
// when the record cannot be read whole straight from the data file. False when
// the value cannot be read.
bool readRunValue(int32_t record, int32_t bankPeriod, float& value);

// The bank has changed: nothing kept from it holds any longer.
void forgetBankValues();

// Refuses (notFinite) values of which any of `count`, those of `name` from
// bank period `firstPeriod` at `frequency`, is not a finite number, naming the
// series and the first such period: a bank holds only values the next run and
// the tools can read back. The caller ends the run or command.
BankStatus checkValuesFinite(const char* name, const float* values, int32_t count, int32_t firstPeriod,
                             int16_t frequency);
