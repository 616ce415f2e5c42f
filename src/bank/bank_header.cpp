// Reading and writing the 86-byte header of a bank's data file.
#include "bank/bank_header.h"

#include <algorithm>
#include <cstring>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"

BankStatus readBankHeader(FILE* stream, BankHeader& header) {
    char title[kBankTitleSize + 1] = {};
    if (std::fseek(stream, 0, SEEK_SET) != 0 || !readInt16(stream, header.baseYear) ||
        !readInt16(stream, header.baseMonth) || !readInt16(stream, header.length) ||
        std::fread(title, 1, kBankTitleSize, stream) != kBankTitleSize) {
        return bankFailure(BankError::badHeader, "\nThe bank's data file is shorter than its " + std::to_string(kBankHeaderSize) + "-byte header.\n");
    }
    header.title = title;
    return {};
}

BankStatus writeBankHeader(FILE* stream, const BankHeader& header) {
    if (header.title.size() > static_cast<size_t>(kBankTitleSize))
        return bankFailure(BankError::notWhole, "\nA bank title has at most " + std::to_string(kBankTitleSize) + " characters.\n");
    unsigned char bytes[kBankHeaderSize] = {};
    putUint16(bytes, static_cast<uint16_t>(header.baseYear));
    putUint16(bytes + 2, static_cast<uint16_t>(header.baseMonth));
    putUint16(bytes + 4, static_cast<uint16_t>(header.length));
    std::memcpy(bytes + kBankTitleOffset, header.title.data(), header.title.size());
    BankStatus written = writeBankBytes(stream, 0, bytes, sizeof bytes);
    if (written.error != BankError::none) written.message += "\nCannot write the bank's header.\n";
    return written;
}

BankStatus writeBankTitle(FILE* stream, const char* bytes, size_t size) {
    return writeBankBytes(stream, kBankTitleOffset, bytes, std::min(size, static_cast<size_t>(kBankTitleSize)));
}
