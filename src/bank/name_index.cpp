// The index file (count, count + 1 offsets, the pool with one spare byte) and
// its image in the model record. A corrupt or truncated index is refused
// before anything of it reaches the model.
#include "bank/name_index.h"

#include <cstring>
#include <vector>

#include "bank/bank_file.h"
#include "bank/byte_order.h"
#include "bank/journal.h"
#include "base/console.h"
#include "state/model_state.h"

namespace {

// Checks what was read: every name starts inside the pool, after the one before
// it, and ends with its zero byte. 0 or -1 after a message.
int checkIndex(int16_t count, const std::vector<uint16_t>& offsets, const std::vector<char>& pool) {
    uint16_t used = offsets[count];
    for (int32_t k = 0; k < count; ++k) {
        if (offsets[k] > used) {
            printOut("\nIndex file is corrupt: name %d starts at %u, beyond the %u pool bytes in use.\n",
                     k, offsets[k], used);
            return -1;
        }
    }
    for (int32_t k = 0; k < count; ++k) {
        if (offsets[k + 1] < offsets[k]) {
            printOut("\nIndex file is corrupt: name %d starts at %u, before name %d at %u.\n", k + 1,
                     offsets[k + 1], k, offsets[k]);
            return -1;
        }
        if (offsets[k + 1] == offsets[k] || pool[offsets[k + 1] - 1] != '\0') {
            printOut("\nIndex file is corrupt: name %d has no terminating zero byte.\n", k);
            return -1;
        }
    }
    return 0;
}

// A part of the index read only in part is refused as truncated.
bool readWhole(size_t got, size_t wanted, const char* what) {
    if (got == 0) {
        printOut("\n index not read \n");
        return false;
    }
    if (got < wanted) {
        printOut("\nIndex file is truncated: %zu of %zu %s.\n", got, wanted, what);
        return false;
    }
    return true;
}

}  // namespace

int readIndex(FILE* stream, int16_t& count) {
    if (std::fseek(stream, 0, SEEK_SET) != 0) {
        printOut("\nCannot position to read index.\n");
        return -1;
    }
    int16_t n;
    if (!readInt16(stream, n)) {
        printOut("\nCannot read index file.\n");
        return -1;
    }
    if (n < 0) {
        printOut("\nIndex file is corrupt: negative name count %d.\n", n);
        return -1;
    }
    std::vector<uint16_t> offsets(static_cast<size_t>(n) + 1);
    if (!readWhole(readUint16s(stream, offsets.data(), offsets.size()), offsets.size(), "name offsets"))
        return -1;
    std::vector<char> pool(static_cast<size_t>(offsets[n]) + 1);
    if (!readWhole(std::fread(pool.data(), 1, pool.size(), stream), pool.size(), "pool bytes")) return -1;
    if (checkIndex(n, offsets, pool) != 0) return -1;
    count = n;
    model.nameOffsets = std::move(offsets);
    model.namePool = std::move(pool);
    printOut("\nIndex read.\n");
    return 0;
}

int writeIndex(FILE* stream, const std::vector<uint16_t>& offsets, const std::vector<char>& pool,
               int16_t count) {
    if (count < 0 || offsets.size() < static_cast<size_t>(count) + 1 ||
        pool.size() < static_cast<size_t>(offsets[count]) + 1) {
        printOut("\nThe index in memory is inconsistent; it is not written.\n");
        return -1;
    }
    unsigned char countBytes[2];
    putUint16(countBytes, static_cast<uint16_t>(count));
    BankWrite written = writeBankBytes(stream, 0, countBytes, sizeof countBytes);
    if (written == BankWrite::notPositioned) {
        printOut(" \n Cannot do fseek in windex.\n");
        return -1;
    }
    if (written == BankWrite::notWritten) {
        printOut(" \nCannot write index.\n");
        return -1;
    }
    size_t poolBytes = static_cast<size_t>(offsets[count]) + 1;
    std::vector<unsigned char> bytes(2 * (static_cast<size_t>(count) + 1) + poolBytes);
    for (int32_t k = 0; k <= count; ++k) putUint16(&bytes[2 * static_cast<size_t>(k)], offsets[k]);
    std::memcpy(&bytes[bytes.size() - poolBytes], pool.data(), poolBytes);
    if (writeBankBytes(stream, 2, bytes.data(), bytes.size()) != BankWrite::done) {
        printOut("\n index not written \n");
        return -1;
    }
    return 0;
}

bool indexHasRoom(int32_t names, int64_t characters) {
    int64_t used = model.nameOffsets.empty() ? 0 : model.nameOffsets[model.nameCount];
    return int64_t{model.nameCount} + names <= kMaxNameCount &&
           used + characters + names <= kMaxPoolUsed;
}

int32_t appendName(const char* name, AppendedName& undo) {
    undo.appended = false;
    if (!indexHasRoom(1, static_cast<int64_t>(std::strlen(name)))) {
        printOut("\nCannot add %s: the bank index has no room for another name of %zu characters.\n",
                 name, std::strlen(name));
        return -1;
    }
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
    return k;
}

void takeBackName(const AppendedName& undo) {
    if (!undo.appended) return;
    model.nameCount = static_cast<int16_t>(model.nameCount - 1);
    size_t start = model.nameOffsets[model.nameCount];
    model.nameOffsets.resize(static_cast<size_t>(model.nameCount) + 1);
    model.namePool.resize(start + 1);
    model.namePool[start] = undo.lastPoolByte;
}
