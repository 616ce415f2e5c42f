// The rollback journal's file. A header holds a magic text, the number of
// records that are valid, the number of the change and a checksum; records
// follow, each closed by a checksum. The writer appends records and syncs them
// before it writes the count that makes them valid, and syncs that before it
// touches the bank: a journal whose count is still 0 was never valid (its
// writer died before it changed the bank), and a valid journal whose counted
// records do not all check out is damaged.
//
// An 'F' record names a bank file (relative to the journal's folder), its
// length before the change (-1: it did not exist) and its identity (device and
// inode); a 'B' record holds original bytes of a region of such a file; a 'P'
// record names the journal of the other bank of the same change (a stochastic
// run changes the workspace and the sigma bank as one): 'L' in the journal
// whose removal commits the change ('N' when the other bank's data file did
// not exist before it), 'F' in the one that follows it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

inline constexpr const char* kJournalMagic = "VORNJNL2";
inline constexpr size_t kJournalMagicSize = 8;
inline constexpr size_t kJournalHeaderSize = 28;

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
};

std::string journalHeader(uint64_t recordCount, uint64_t changeNumber);
std::string fileRecord(uint8_t file, int64_t originalLength, FileIdentity identity, const std::string& relativeName);
std::string bytesRecord(uint8_t file, int64_t offset, const std::string& bytes);
std::string partnerRecord(char role, const std::string& relativeName);

enum class JournalState { incomplete, valid, untrusted };

struct JournaledFile {
    std::string path;  // absolute
    std::string name;  // as the journal gives it
    int64_t originalLength;
};

struct JournalRegion {
    uint8_t file;
    int64_t offset;
    std::string bytes;
};

// A journal read and checked against the bank it lies beside.
struct CheckedJournal {
    JournalState state = JournalState::incomplete;
    std::string problem;  // why it cannot be trusted
    uint64_t changeNumber = 0;
    char role = 0;             // 'L', 'F', or 0 for a change of one bank
    std::string partnerPath;   // absolute
    std::string partnerName;   // as the journal gives it
    bool partnerNew = false;   // the other bank's data file did not exist before the change
    std::map<uint8_t, JournaledFile> files;
    std::vector<JournalRegion> regions;
};

// The count of valid records and the change's number from an intact header;
// false when the file has none.
bool readJournalHeader(const std::string& journalPath, uint64_t& recordCount, uint64_t& changeNumber);

// Reads the journal at `journalPath` and checks every counted record: an 'F'
// record must name `dataName` or `indexName` with a length a file of a bank can
// have and, when the file existed, the identity of the file there now; a 'B'
// record must lie inside the original length of a file named before it.
CheckedJournal checkJournal(const std::string& journalPath, const std::string& dataName, const std::string& indexName);

// Writes the original bytes back into the files of a valid journal, gives each
// its original length (removes it when it did not exist), syncs them and
// removes the journal. `names` receives the files' names as the journal gives
// them. False, with the reason in `problem`, when a file cannot be restored;
// the journal then stays.
bool applyJournal(const CheckedJournal& journal, const std::string& journalPath, std::vector<std::string>& names,
                  std::string& problem);
