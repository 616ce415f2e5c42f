// The bank as a whole: data file (header and one record per series) and index
// file (series names), opening, the index, the run's workspace, loading every
// model series for the run's periods and writing the solved periods back.
// All integers and floats are little-endian in the files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// Opens an existing file for update as raw bytes into *slot, positioned at 0.
// Exits 5 when it cannot be opened, 6 when it cannot be positioned.
void openBankFile(const char* name, FILE** slot);
// Takes the bank for this process and applies a journal a dead process left
// beside it, then opens its data and index files into bankDataFile and
// bankIndexFile with openBankFile; from then on every write to them is
// journaled. Exits 15 when another process holds the bank, 16 when its
// journal cannot be trusted, 5 when a file of it is not a regular file or the
// journal cannot be applied.
void openBank(const std::string& dataName, const std::string& indexName);
// Closes a bank file where it is open, leaving the slot absent.
void closeBankFile(FILE*& stream);
// Closes bankDataFile and bankIndexFile.
void closeBankFiles();
// Refuses, after a message, a header whose base month is outside 1..12 or whose
// length is below 1, and a data file too short for the header and a record per
// indexed name; 0 when the bank is whole, -1 otherwise.
int checkBankExtent(FILE* data, int16_t baseMonth, int16_t length, int16_t nameCount);

// Reads the whole index into count, model.nameOffsets and model.namePool; -1 on failure.
int readIndex(FILE* stream, int16_t& count);
// Writes the whole index; -1 on failure.
int writeIndex(FILE* stream, const std::vector<uint16_t>& offsets, const std::vector<char>& pool,
               int16_t count);

// Refuses, with a message, a run whose periods with their lags reach before bank
// period 0 or at or beyond bankLength; 0 when the run fits, -1 otherwise.
int checkRunFitsBank();

// Series table with lag slots, coefficient vectors and error vectors; -1 when a
// series vector cannot be had (exits 12, 13, 6, 7 on the other shortages).
int allocateWorkspace();
// Fills model.series from model.bankDataFile; -1 on failure.
int loadAllSeries();
// Writes periods 0..periodCount of every model series; exits 7 or 8 on failure.
void writeAllSeries(const std::vector<FloatVector>& table, FILE* stream, const char* label);
