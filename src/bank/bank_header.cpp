// Reading and writing the 86-byte header of a bank's data file.
#include "bank/bank_header.h"

#include <cstring>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"
#include "base/console.h"

int readBankHeader(FILE* stream, BankHeader& header) {
    char title[kBankTitleSize + 1] = {};
    if (std::fseek(stream, 0, SEEK_SET) != 0 || !readInt16(stream, header.baseYear) ||
        !readInt16(stream, header.baseMonth) || !readInt16(stream, header.length) ||
        std::fread(title, 1, kBankTitleSize, stream) != kBankTitleSize) {
        printOut("\nThe bank's data file is shorter than its %ld-byte header.\n", kBankHeaderSize);
        return -1;
    }
    header.title = title;
    return 0;
}

int writeBankHeader(FILE* stream, const BankHeader& header) {
    if (header.title.size() > static_cast<size_t>(kBankTitleSize)) {
        printOut("\nA bank title has at most %d characters.\n", kBankTitleSize);
        return -1;
    }
    unsigned char bytes[kBankHeaderSize] = {};
    putUint16(bytes, static_cast<uint16_t>(header.baseYear));
    putUint16(bytes + 2, static_cast<uint16_t>(header.baseMonth));
    putUint16(bytes + 4, static_cast<uint16_t>(header.length));
    std::memcpy(bytes + kBankTitleOffset, header.title.data(), header.title.size());
    if (writeBankBytes(stream, 0, bytes, sizeof bytes) != BankWrite::done) {
        printOut("\nCannot write the bank's header.\n");
        return -1;
    }
    return 0;
}
