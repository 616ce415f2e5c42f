// Encoding the journal's records, checking a journal against its bank, and
// applying it to the bank files it names.
#include "bank/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "bank/journal.h"

namespace {

namespace fs = std::filesystem;

// The longest a data file of a bank can be (32767 series of 32767 periods
// after the header) and the longest index (32767 names in 65535 pool bytes).
constexpr int64_t kLongestDataFile = 86 + int64_t{32767} * (4 * 32767 + 1);
constexpr int64_t kLongestIndexFile = 2 + 2 * (32767 + 1) + 65536;

void putLittleEndian(std::string& out, uint64_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) out.push_back(static_cast<char>((value >> (8 * b)) & 0xFF));
}

uint64_t getLittleEndian(const std::string& in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int b = 0; b < bytes; ++b) value |= uint64_t{static_cast<unsigned char>(in[at + b])} << (8 * b);
    return value;
}

// FNV-1a over the bytes.
uint32_t checksum(const std::string& bytes, size_t from, size_t to) {
    uint32_t hash = 2166136261u;
    for (size_t i = from; i < to; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 16777619u;
    }
    return hash;
}

std::string sealed(std::string record) {
    putLittleEndian(record, checksum(record, 0, record.size()), 4);
    return record;
}

bool readWholeFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return got == 0;
}

// What the counted records are checked against, and where they go.
struct RecordCheck {
    const std::string& text;
    fs::path folder;
    std::string dataPath;
    std::string indexPath;
    CheckedJournal& journal;
};

bool untrusted(RecordCheck& check, const std::string& problem) {
    check.journal.problem = problem;
    return false;
}

bool have(const RecordCheck& check, size_t at, size_t bytes) {
    return check.text.size() >= at && check.text.size() - at >= bytes;
}

bool checkFileRecord(RecordCheck& check, uint8_t number, size_t at, const std::string& name) {
    int64_t length = static_cast<int64_t>(getLittleEndian(check.text, at, 8));
    FileIdentity identity{getLittleEndian(check.text, at + 8, 8), getLittleEndian(check.text, at + 16, 8)};
    std::string path = absolutePath((check.folder / name).string());
    if (name.empty() || (path != check.dataPath && path != check.indexPath) || check.journal.files.count(number))
        return untrusted(check, "it names " + name + ", which is not a file of its bank");
    int64_t longest = path == check.dataPath ? kLongestDataFile : kLongestIndexFile;
    if (length < -1 || length > longest)
        return untrusted(check, "it gives " + name + " a length of " + std::to_string(length) + ", which no bank file has");
    struct stat status {};
    if (length >= 0 && (::stat(path.c_str(), &status) != 0 || status.st_dev != identity.device ||
                        status.st_ino != identity.inode))
        return untrusted(check, "it belongs to another file than the " + name + " there now");
    check.journal.files[number] = {path, name, length};
    return true;
}

bool checkBytesRecord(RecordCheck& check, uint8_t number, size_t at, std::string bytes) {
    int64_t offset = static_cast<int64_t>(getLittleEndian(check.text, at, 8));
    auto file = check.journal.files.find(number);
    if (file == check.journal.files.end() || offset < 0 ||
        offset > file->second.originalLength - static_cast<int64_t>(bytes.size()))
        return untrusted(check, "it holds bytes outside the files it names");
    check.journal.regions.push_back({number, offset, std::move(bytes)});
    return true;
}

bool checkPartnerRecord(RecordCheck& check, char role, const std::string& name) {
    const std::string ending = "-journal";
    if ((role != 'L' && role != 'N' && role != 'F') || check.journal.role != 0 || !name.ends_with(ending) ||
        name.size() == ending.size())
        return untrusted(check, "it names " + name + " as the journal of its other bank");
    check.journal.role = role == 'F' ? 'F' : 'L';
    check.journal.partnerNew = role == 'N';
    check.journal.partnerPath = absolutePath((check.folder / name).string());
    check.journal.partnerName = name;
    return true;
}

// Record n at `at`, which then moves past it.
bool checkRecord(RecordCheck& check, uint64_t n, size_t& at) {
    const std::string& text = check.text;
    const std::string damaged = "its record " + std::to_string(n) + " is damaged";
    size_t start = at;
    if (!have(check, at, 2)) return untrusted(check, damaged);
    char kind = text[at];
    uint8_t file = static_cast<uint8_t>(text[at + 1]);
    at += 2;
    size_t fixed = kind == 'F' ? 26 : kind == 'B' ? 12 : kind == 'P' ? 2 : 0;
    if (fixed == 0 || !have(check, at, fixed)) return untrusted(check, damaged);
    size_t payload = kind == 'B' ? getLittleEndian(text, at + 8, 4) : getLittleEndian(text, at + fixed - 2, 2);
    if (!have(check, at + fixed, payload) || !have(check, at + fixed + payload, 4)) return untrusted(check, damaged);
    size_t end = at + fixed + payload;
    if (getLittleEndian(text, end, 4) != checksum(text, start, end)) return untrusted(check, damaged);
    std::string tail = text.substr(at + fixed, payload);
    bool ok = kind == 'F'   ? checkFileRecord(check, file, at, tail)
              : kind == 'B' ? checkBytesRecord(check, file, at, std::move(tail))
                            : checkPartnerRecord(check, static_cast<char>(file), tail);
    at = end + 4;
    return ok;
}

// The original bytes and length of one file, synced.
bool restoreFile(const JournaledFile& file, const std::vector<JournalRegion>& regions, uint8_t number) {
    if (file.originalLength < 0) return ::unlink(file.path.c_str()) == 0 || errno == ENOENT;
    int fd = ::open(file.path.c_str(), O_RDWR);
    if (fd < 0) return false;
    bool ok = true;
    for (const JournalRegion& region : regions) {
        if (region.file != number || !ok) continue;
        ok = writeStepAllowed() &&
             ::pwrite(fd, region.bytes.data(), region.bytes.size(), region.offset) ==
                 static_cast<ssize_t>(region.bytes.size());
    }
    ok = ok && writeStepAllowed() && ::ftruncate(fd, file.originalLength) == 0;
    ok = ok && syncStepAllowed() && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string journalHeader(uint64_t recordCount, uint64_t changeNumber) {
    std::string header(kJournalMagic, kJournalMagicSize);
    putLittleEndian(header, recordCount, 8);
    putLittleEndian(header, changeNumber, 8);
    putLittleEndian(header, checksum(header, 0, header.size()), 4);
    return header;
}

std::string fileRecord(uint8_t file, int64_t originalLength, FileIdentity identity, const std::string& relativeName) {
    std::string record = {'F', static_cast<char>(file)};
    putLittleEndian(record, static_cast<uint64_t>(originalLength), 8);
    putLittleEndian(record, identity.device, 8);
    putLittleEndian(record, identity.inode, 8);
    putLittleEndian(record, relativeName.size(), 2);
    return sealed(record + relativeName);
}

std::string bytesRecord(uint8_t file, int64_t offset, const std::string& bytes) {
    std::string record = {'B', static_cast<char>(file)};
    putLittleEndian(record, static_cast<uint64_t>(offset), 8);
    putLittleEndian(record, bytes.size(), 4);
    return sealed(record + bytes);
}

std::string partnerRecord(char role, const std::string& relativeName) {
    std::string record = {'P', role};
    putLittleEndian(record, relativeName.size(), 2);
    return sealed(record + relativeName);
}

namespace {

bool intactHeader(const std::string& text) {
    return text.size() >= kJournalHeaderSize && text.compare(0, kJournalMagicSize, kJournalMagic) == 0 &&
           getLittleEndian(text, kJournalHeaderSize - 4, 4) == checksum(text, 0, kJournalHeaderSize - 4);
}

}  // namespace

bool readJournalHeader(const std::string& journalPath, uint64_t& recordCount, uint64_t& changeNumber) {
    std::string text;
    if (!readWholeFile(journalPath, text) || !intactHeader(text)) return false;
    recordCount = getLittleEndian(text, kJournalMagicSize, 8);
    changeNumber = getLittleEndian(text, kJournalMagicSize + 8, 8);
    return true;
}

CheckedJournal checkJournal(const std::string& journalPath, const std::string& dataName, const std::string& indexName) {
    CheckedJournal journal;
    std::string text;
    if (!readWholeFile(journalPath, text)) {
        journal.state = JournalState::untrusted;
        journal.problem = std::string("it cannot be read: ") + std::strerror(errno);
        return journal;
    }
    // A header cut short was being written when its writer died.
    if (text.size() < kJournalHeaderSize) return journal;
    uint64_t count = getLittleEndian(text, kJournalMagicSize, 8);
    journal.changeNumber = getLittleEndian(text, kJournalMagicSize + 8, 8);
    if (!intactHeader(text)) {
        journal.state = JournalState::untrusted;
        journal.problem = "its header is damaged";
        return journal;
    }
    if (count == 0) return journal;
    RecordCheck check{text, fs::path(journalPath).parent_path(), absolutePath(dataName), absolutePath(indexName), journal};
    size_t at = kJournalHeaderSize;
    journal.state = JournalState::valid;
    for (uint64_t n = 1; n <= count && journal.state == JournalState::valid; ++n)
        if (!checkRecord(check, n, at)) journal.state = JournalState::untrusted;
    return journal;
}

bool applyJournal(const CheckedJournal& journal, const std::string& journalPath, std::vector<std::string>& names,
                  std::string& problem) {
    for (const auto& [number, file] : journal.files) {
        names.push_back(file.name);
        if (!restoreFile(file, journal.regions, number)) {
            problem = "cannot restore " + file.name + ": " + std::strerror(errno);
            return false;
        }
    }
    if (::unlink(journalPath.c_str()) != 0) {
        problem = std::string("cannot remove it: ") + std::strerror(errno);
        return false;
    }
    return true;
}
