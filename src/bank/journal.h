// All-or-nothing changes to a bank's files. Every write to a bank file goes
// through writeBankBytes: before a region of a file is overwritten for the
// first time in a change (or the file grows for the first time), its original
// bytes and length go into a rollback journal beside the bank, which is synced
// before the bank is touched. A commit syncs the bank files and removes the
// journal; an undo writes the original bytes back. A process that changes a
// bank holds it exclusively (bank_lock.h) from the moment it opens it, so a
// journal that another process finds beside a bank it could lock exclusively
// was left by a writer that died, and is checked and applied first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bank/bank_lock.h"
#include "bank/bank_status.h"

// The journal of the bank whose data file is `dataName`: "<dataName>-journal".
std::string journalName(const std::string& dataName);

// Takes the bank whose files are `dataName` and `indexName` for this process
// (lockBank), then applies a journal a dead writer left beside it, with a
// note that says so. A journal that was never made valid is removed; one that
// does not check out is kept with the bank as they are (untrusted). Each
// refusal (busy, notRegular, untrusted, unapplied) has its one line.
BankStatus claimBank(const std::string& dataName, const std::string& indexName, BankAccess access,
                     bool create = false);
// The changes of two banks made as one: the journal of `leadingData` is made
// valid at once, and its removal is what commits both. notWritten when it
// cannot be made.
BankStatus pairBankChanges(const std::string& leadingData, const std::string& followingData);

// From now on writes to `stream` (the bank file `name`) are journaled in the
// journal of the bank whose data file is `dataName`. A file tracked again in
// the same change keeps what was journaled for it.
void trackBankFile(FILE* stream, const std::string& name, const std::string& dataName);
// The stream is about to be closed; what was journaled for its file stays.
void untrackBankFile(FILE* stream);

// Writes `size` bytes at `offset` of a tracked bank file, journaling first
// (notPositioned or notWritten, with the journal's line where it failed). A
// stream the journal does not track is refused: nothing reaches a bank file
// unjournaled. After any failure the change takes no further writes.
BankStatus writeBankBytes(FILE* stream, int64_t offset, const void* bytes, size_t size);
// Journals the regions [from, to) of a bank file as one batch of records,
// synced and made valid once, ahead of their writes. A failure shows here and
// at the next write.
using BankRegions = std::vector<std::pair<int64_t, int64_t>>;
BankStatus journalBankRegions(FILE* stream, const BankRegions& regions);
// Journals the whole file `name` of the bank (or that it did not exist), then
// empties it, creating it when absent, and opens it for update into `stream`,
// tracked. notWritten, the stream absent, on failure.
BankStatus openEmptiedBankFile(const std::string& name, const std::string& dataName, FILE*& stream);

// True once a write of the current change has failed.
bool bankWriteFailed();

// Makes the change permanent: bank files synced, journals removed. notWritten
// when it cannot, the change then undone and the undo's lines added.
BankStatus commitBankChanges();
// Puts every file of the change back as it was, with one line per bank in the
// notes (unapplied, with its line, for a journal that cannot be applied).
BankStatus undoBankChanges();
// Drops the change without touching any file and lets the banks go (tests
// start afresh with it).
void forgetBankChanges();

// Fault injection for tests: the N-th write or sync the layer makes fails
// (counting from 1; 0 never), and the process kills itself before its N-th
// step (writes, syncs and kill points together). Files not larger than wholeFileLimit bytes are journaled
// whole at their first write. The programs leave these as they are.
struct JournalHooks {
    long failWriteAt = 0;
    long failSyncAt = 0;
    long killAt = 0;
    long writes = 0;
    long syncs = 0;
    long killPoints = 0;  // steps that are only places to be killed at
    int64_t wholeFileLimit = 1 << 20;
};
extern JournalHooks journalHooks;

// Counts one write or sync step of the layer: false when the hooks make it
// fail; kills the process when they say so.
bool writeStepAllowed();
bool syncStepAllowed();
