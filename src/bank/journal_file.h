// The rollback journal's file: a magic text, then records, each closed by a
// checksum, so that a record cut short by a crash is recognised and ignored.
// An 'F' record names a bank file (relative to the journal's folder) and its
// length before the change (-1: it did not exist); a 'B' record holds original
// bytes of a region of such a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kJournalMagic = "VORNJNL1";
inline constexpr size_t kJournalMagicSize = 8;

std::string fileRecord(uint8_t file, int64_t originalLength, const std::string& relativeName);
std::string bytesRecord(uint8_t file, int64_t offset, const std::string& bytes);

// Writes the original bytes back into the files the journal names, gives each
// its original length (removes it when it did not exist), syncs them and
// removes the journal. `names` receives the files' names as the journal gives
// them. False, with the reason in `problem`, when a file cannot be restored;
// the journal then stays.
bool applyJournal(const std::string& journalPath, std::vector<std::string>& names, std::string& problem);
