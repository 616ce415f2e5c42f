// The bank as a whole: data file (header and one record per series) and index
// file (series names), opening, the index, the run's workspace, loading every
// model series for the run's periods and writing the solved periods back.
// All integers and floats are little-endian in the files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bank/bank_header.h"
#include "bank/bank_lock.h"
#include "bank/bank_status.h"
#include "base/arrays.h"

inline constexpr long kBankHeaderSize = 86;
inline constexpr long kBankTitleOffset = 6;
inline constexpr int kBankTitleSize = 80;
// The files of the sigma bank, which receives a stochastic run's standard deviations.
inline constexpr const char* kSigmaData = "sigma.bnk";
inline constexpr const char* kSigmaIndex = "sigma.ind";

// Byte offset of record k, and of the value of record k at bank period p.
long recordOffset(int32_t k);
long valueOffset(int32_t k, int32_t p);

// Opens an existing file as raw bytes into *slot, positioned at 0: for update
// when `access` is write, read-only otherwise. notOpened (with the file and
// errno) when it cannot be opened, notPositioned when it cannot be positioned.
BankStatus openBankFile(const char* name, FILE** slot, BankAccess access = BankAccess::write);
// Takes the bank for this process (claimBank: a journal a dead process left is
// applied, with a note), then opens its data and index files into
// bankDataFile and bankIndexFile, for a writer tracked so that every write to
// them is journaled. Fails with claimBank's refusals, then notOpened or
// notPositioned.
BankStatus openBankFiles(const std::string& dataName, const std::string& indexName, BankAccess access);
// The one way vorn and the tools open a bank to read its series: openBankFiles,
// then the index read into the model record and the header into `header`,
// checked to fit together, and the bank's base period and length set in the
// model record. Fails as openBankFiles, then with badIndex, badHeader or
// notWhole, in the order of those steps.
BankStatus openBank(const std::string& dataName, const std::string& indexName, BankAccess access,
                    BankHeader& header);
// Closes a bank file where it is open, leaving the slot absent.
void closeBankFile(FILE*& stream);
// Closes bankDataFile and bankIndexFile.
void closeBankFiles();
// Refuses (notWhole) a header whose base month is outside 1..12 or whose
// length is below 1, and a data file too short for the header and a record per
// indexed name.
BankStatus checkBankExtent(FILE* data, int16_t baseMonth, int16_t length, int16_t nameCount);

// Reads the whole index into count, model.nameOffsets and model.namePool; badIndex on failure.
BankStatus readIndex(FILE* stream, int16_t& count);
// Writes the whole index; badIndex when it is inconsistent, the write's failure otherwise.
BankStatus writeIndex(FILE* stream, const std::vector<uint16_t>& offsets, const std::vector<char>& pool,
                      int16_t count);

// Refuses (outsideBank) a run whose periods with their lags reach before bank
// period 0 or at or beyond bankLength.
BankStatus checkRunFitsBank();

// Series table with lag slots, coefficient vectors and error vectors; the
// shortage, named by its table, when one cannot be had.
BankStatus allocateWorkspace();
// Fills model.series from model.bankDataFile: outsideBank or notRead on failure.
BankStatus loadAllSeries();
// Writes periods 0..periodCount of every model series: outsideBank, notFinite,
// notPositioned or notWritten on failure.
BankStatus writeAllSeries(const std::vector<FloatVector>& table, FILE* stream);
