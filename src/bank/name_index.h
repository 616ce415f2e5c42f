// The bank index in memory (model.nameCount, nameOffsets, namePool): appending
// a series name, taking it back, and the room the file's 16-bit count and
// offsets leave.
#pragma once

#include <cstdint>
#include <vector>

#include "bank/bank_status.h"

// The count is a signed 16-bit value; every offset, the pool's used length
// included, is an unsigned 16-bit value.
inline constexpr int32_t kMaxNameCount = 32767;
inline constexpr int64_t kMaxPoolUsed = 65535;

// Position of the first of the first `count` names equal to `name`, or -1.
int32_t findName(const std::vector<uint16_t>& offsets, const std::vector<char>& pool,
                 const char* name, int32_t count);

// True when `names` more names of `characters` bytes in all (terminators not
// counted) still fit the index.
bool indexHasRoom(int32_t names, int64_t characters);

// What appendName changed, so that a failed write can take the name back.
struct AppendedName {
    bool appended;
    char lastPoolByte;  // the pool byte after the last terminator, before the name went in
};

// Appends the name with its terminator and gives its position; badIndex when
// the index has no room for it.
BankStatus appendName(const char* name, AppendedName& undo, int32_t& position);
// Restores the index as it was before appendName; nothing when nothing was appended.
void takeBackName(const AppendedName& undo);
