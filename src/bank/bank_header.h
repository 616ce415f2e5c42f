// The data file's header: base year, base month and length as signed 16-bit
// words, then an 80-byte title ended by a zero byte when shorter.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "bank/bank_status.h"

struct BankHeader {
    int16_t baseYear;
    int16_t baseMonth;
    int16_t length;
    std::string title;  // at most 80 characters
};

// Reads the header from the start of the data file; badHeader when it is short.
BankStatus readBankHeader(FILE* stream, BankHeader& header);
// Writes the header at the start of the data file, the title zero-padded to 80
// bytes: the one place a bank's title is written. notWhole when the title is
// longer, notWritten when the write fails.
BankStatus writeBankHeader(FILE* stream, const BankHeader& header);
// Writes `size` bytes (at most the 80 of the field) over the start of the
// title field of a bank's data file; the rest of the field keeps its bytes.
BankStatus writeBankTitle(FILE* stream, const char* bytes, size_t size);
