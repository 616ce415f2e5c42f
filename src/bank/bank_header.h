// The data file's header: base year, base month and length as signed 16-bit
// words, then an 80-byte title ended by a zero byte when shorter.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct BankHeader {
    int16_t baseYear;
    int16_t baseMonth;
    int16_t length;
    std::string title;  // at most 80 characters
};

// Reads the header from the start of the data file; -1 after a message when it is short.
int readBankHeader(FILE* stream, BankHeader& header);
// Writes the header at the start of the data file, the title zero-padded to 80
// bytes; -1 after a message when the title is longer or the write fails.
int writeBankHeader(FILE* stream, const BankHeader& header);
