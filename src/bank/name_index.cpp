// The index file (count, count + 1 offsets, the pool with one spare byte) and
// its image in the model record. A corrupt or truncated index is refused
// before anything of it reaches the model.
#include "bank/name_index.h"

#include <cstring>
#include <vector>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"
#include "state/model_state.h"

namespace {

std::string u(unsigned value) { return std::to_string(value); }

BankStatus corrupt(const std::string& line) { return bankFailure(BankError::badIndex, line); }

// Checks what was read: every name starts inside the pool, after the one before
// it, and ends with its zero byte.
BankStatus checkIndex(int16_t count, const std::vector<uint16_t>& offsets, const std::vector<char>& pool) {
    uint16_t used = offsets[count];
    for (int32_t k = 0; k < count; ++k) {
        if (offsets[k] > used)
            return corrupt("\nIndex file is corrupt: name " + std::to_string(k) + " starts at " + u(offsets[k]) +
                           ", beyond the " + u(used) + " pool bytes in use.\n");
    }
    for (int32_t k = 0; k < count; ++k) {
        if (offsets[k + 1] < offsets[k])
            return corrupt("\nIndex file is corrupt: name " + std::to_string(k + 1) + " starts at " +
                           u(offsets[k + 1]) + ", before name " + std::to_string(k) + " at " + u(offsets[k]) + ".\n");
        if (offsets[k + 1] == offsets[k] || pool[offsets[k + 1] - 1] != '\0')
            return corrupt("\nIndex file is corrupt: name " + std::to_string(k) + " has no terminating zero byte.\n");
    }
    return {};
}

// A part of the index read only in part is refused as truncated.
BankStatus readWhole(size_t got, size_t wanted, const char* what) {
    if (got == 0) return corrupt("\n index not read \n");
    if (got < wanted)
        return corrupt("\nIndex file is truncated: " + std::to_string(got) + " of " + std::to_string(wanted) + " " +
                       what + ".\n");
    return {};
}

}  // namespace

BankStatus readIndex(FILE* stream, int16_t& count) {
    if (std::fseek(stream, 0, SEEK_SET) != 0) return corrupt("\nCannot position to read index.\n");
    int16_t n;
    if (!readInt16(stream, n)) return corrupt("\nCannot read index file.\n");
    if (n < 0) return corrupt("\nIndex file is corrupt: negative name count " + std::to_string(n) + ".\n");
    std::vector<uint16_t> offsets(static_cast<size_t>(n) + 1);
    BankStatus read = readWhole(readUint16s(stream, offsets.data(), offsets.size()), offsets.size(), "name offsets");
    if (read.error != BankError::none) return read;
    std::vector<char> pool(static_cast<size_t>(offsets[n]) + 1);
    read = readWhole(std::fread(pool.data(), 1, pool.size(), stream), pool.size(), "pool bytes");
    if (read.error != BankError::none) return read;
    read = checkIndex(n, offsets, pool);
    if (read.error != BankError::none) return read;
    count = n;
    model.nameOffsets = std::move(offsets);
    model.namePool = std::move(pool);
    return {};
}

BankStatus writeIndex(FILE* stream, const std::vector<uint16_t>& offsets, const std::vector<char>& pool,
                      int16_t count) {
    if (count < 0 || offsets.size() < static_cast<size_t>(count) + 1 ||
        pool.size() < static_cast<size_t>(offsets[count]) + 1)
        return corrupt("\nThe index in memory is inconsistent; it is not written.\n");
    unsigned char countBytes[2];
    putUint16(countBytes, static_cast<uint16_t>(count));
    BankStatus written = writeBankBytes(stream, 0, countBytes, sizeof countBytes);
    if (written.error == BankError::notPositioned) written.message += " \n Cannot do fseek in windex.\n";
    if (written.error == BankError::notWritten) written.message += " \nCannot write index.\n";
    if (written.error != BankError::none) return written;
    size_t poolBytes = static_cast<size_t>(offsets[count]) + 1;
    std::vector<unsigned char> bytes(2 * (static_cast<size_t>(count) + 1) + poolBytes);
    for (int32_t k = 0; k <= count; ++k) putUint16(&bytes[2 * static_cast<size_t>(k)], offsets[k]);
    std::memcpy(&bytes[bytes.size() - poolBytes], pool.data(), poolBytes);
    written = writeBankBytes(stream, 2, bytes.data(), bytes.size());
    if (written.error != BankError::none) written.message += "\n index not written \n";
    return written;
}

int32_t findName(const std::vector<uint16_t>& offsets, const std::vector<char>& pool,
                 const char* name, int32_t count) {
    for (int32_t k = 0; k < count; ++k) {
        if (std::strcmp(pool.data() + offsets[k], name) == 0) return k;
    }
    return -1;
}

bool indexHasRoom(int32_t names, int64_t characters) {
    int64_t used = model.nameOffsets.empty() ? 0 : model.nameOffsets[model.nameCount];
    return int64_t{model.nameCount} + names <= kMaxNameCount &&
           used + characters + names <= kMaxPoolUsed;
}

BankStatus appendName(const char* name, AppendedName& undo, int32_t& position) {
    undo.appended = false;
    if (!indexHasRoom(1, static_cast<int64_t>(std::strlen(name))))
        return corrupt("\nCannot add " + std::string(name) + ": the bank index has no room for another name of " +
                       std::to_string(std::strlen(name)) + " characters.\n");
    if (model.nameOffsets.empty()) model.nameOffsets.assign(1, 0);
    int32_t k = model.nameCount;
    size_t start = model.nameOffsets[k];
    size_t length = std::strlen(name) + 1;
    if (model.namePool.size() < start + 1) model.namePool.resize(start + 1, '\0');
    undo.lastPoolByte = model.namePool[start];
    model.namePool.resize(start + length + 1, '\0');
    std::memcpy(model.namePool.data() + start, name, length);
    model.nameOffsets.resize(static_cast<size_t>(k) + 2);
    model.nameOffsets[k + 1] = static_cast<uint16_t>(start + length);
    model.nameCount = static_cast<int16_t>(k + 1);
    undo.appended = true;
    position = k;
    return {};
}

void takeBackName(const AppendedName& undo) {
    if (!undo.appended) return;
    model.nameCount = static_cast<int16_t>(model.nameCount - 1);
    size_t start = model.nameOffsets[model.nameCount];
    model.nameOffsets.resize(static_cast<size_t>(model.nameCount) + 1);
    model.namePool.resize(start + 1);
    model.namePool[start] = undo.lastPoolByte;
}
