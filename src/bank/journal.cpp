// The open change: which bank files are tracked, what of them is journaled
// already, the write path that journals before it writes, commit and undo.
#include "bank/journal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "bank/journal_file.h"
#include "runctl/console.h"

JournalHooks journalHooks;

namespace {

namespace fs = std::filesystem;

struct TrackedFile {
    FILE* stream = nullptr;        // absent while the file is closed
    std::string path;              // absolute
    bool introduced = false;       // its 'F' record is in the journal
    int64_t originalLength = 0;    // -1: it did not exist
    BankRegions saved;             // [from, to) journaled, sorted
};

// The change to one bank: its journal and its files.
struct BankChange {
    std::string journalPath;  // absolute
    std::string journalName;  // as shown to the user
    int journal = -1;         // descriptor, once the journal exists
    std::vector<TrackedFile> files;
};

std::vector<BankChange> changes;
bool failed = false;

bool step(long& counter, long failAt) {
    ++counter;
    if (journalHooks.killAt > 0 && journalHooks.writes + journalHooks.syncs == journalHooks.killAt)
        ::raise(SIGKILL);
    if (counter != failAt) return true;
    errno = EIO;
    return false;
}

bool writeAll(int fd, const std::string& bytes) {
    return writeStepAllowed() && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool syncFolder(const std::string& path) {
    int fd = ::open(fs::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    bool ok = syncStepAllowed() && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

BankChange& changeOf(const std::string& dataName) {
    std::string journalPath = fs::absolute(journalName(dataName)).lexically_normal().string();
    for (BankChange& change : changes)
        if (change.journalPath == journalPath) return change;
    changes.push_back({journalPath, journalName(dataName), -1, {}});
    return changes.back();
}

TrackedFile& fileOf(BankChange& change, const std::string& name) {
    std::string path = fs::absolute(name).lexically_normal().string();
    for (TrackedFile& file : change.files)
        if (file.path == path) return file;
    TrackedFile& file = change.files.emplace_back();
    file.path = path;
    return file;
}

bool findStream(FILE* stream, BankChange*& change, TrackedFile*& file) {
    for (BankChange& c : changes) {
        for (TrackedFile& f : c.files) {
            if (f.stream == stream) {
                change = &c;
                file = &f;
                return true;
            }
        }
    }
    return false;
}

// The parts of [from, to) not journaled yet.
BankRegions unsavedParts(const TrackedFile& file, int64_t from, int64_t to) {
    BankRegions parts;
    for (const auto& [savedFrom, savedTo] : file.saved) {
        if (savedTo <= from) continue;
        if (savedFrom >= to) break;
        if (savedFrom > from) parts.emplace_back(from, savedFrom);
        from = std::max(from, savedTo);
    }
    if (from < to) parts.emplace_back(from, to);
    return parts;
}

void markSaved(TrackedFile& file, int64_t from, int64_t to) {
    file.saved.emplace_back(from, to);
    std::sort(file.saved.begin(), file.saved.end());
}

bool readOriginal(const TrackedFile& file, int64_t from, int64_t to, std::string& bytes) {
    int fd = ::open(file.path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    bytes.assign(static_cast<size_t>(to - from), '\0');
    bool ok = ::pread(fd, bytes.data(), bytes.size(), from) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

bool openJournal(BankChange& change) {
    if (change.journal >= 0) return true;
    change.journal = ::open(change.journalPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (change.journal < 0) return false;
    return writeAll(change.journal, std::string(kJournalMagic, kJournalMagicSize));
}

// Puts into the journal, and syncs, what writes of the regions would destroy.
bool saveOriginal(BankChange& change, TrackedFile& file, const BankRegions& regions) {
    bool created = change.journal < 0;
    if (!openJournal(change)) return false;
    // Every file of the bank is named with its length, so that the journal
    // speaks for the whole bank.
    std::string records;
    for (TrackedFile& each : change.files) {
        if (each.introduced) continue;
        struct stat status {};
        each.originalLength = ::stat(each.path.c_str(), &status) == 0 ? status.st_size : -1;
        std::string relative = fs::path(each.path).lexically_relative(fs::path(change.journalPath).parent_path());
        records += fileRecord(static_cast<uint8_t>(&each - change.files.data()), each.originalLength, relative);
        each.introduced = true;
    }
    const bool whole = file.originalLength <= journalHooks.wholeFileLimit;
    for (auto [from, to] : whole ? BankRegions{{0, file.originalLength}} : regions) {
        for (const auto& [partFrom, partTo] : unsavedParts(file, from, std::min(to, file.originalLength))) {
            std::string bytes;
            if (!readOriginal(file, partFrom, partTo, bytes)) return false;
            records += bytesRecord(static_cast<uint8_t>(&file - change.files.data()), partFrom, bytes);
            markSaved(file, partFrom, partTo);
        }
    }
    if (records.empty()) return true;
    if (!writeAll(change.journal, records) || !syncStepAllowed() || ::fsync(change.journal) != 0) return false;
    return !created || syncFolder(change.journalPath);
}

// "bws.bnk and bws.ind"
std::string fileNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

void closeJournal(BankChange& change) {
    if (change.journal >= 0) ::close(change.journal);
    change.journal = -1;
}

}  // namespace

bool writeStepAllowed() { return step(journalHooks.writes, journalHooks.failWriteAt); }
bool syncStepAllowed() { return step(journalHooks.syncs, journalHooks.failSyncAt); }

std::string journalName(const std::string& dataName) { return dataName + "-journal"; }

int recoverBank(const std::string& dataName) {
    std::string journal = journalName(dataName);
    std::string journalPath = fs::absolute(journal).lexically_normal().string();
    for (const BankChange& change : changes)
        if (change.journalPath == journalPath && change.journal >= 0) return 0;  // this process's own
    if (::access(journal.c_str(), F_OK) != 0) return 0;
    std::vector<std::string> names;
    std::string problem;
    if (!applyJournal(journal, names, problem)) {
        printOut("\n%s was left by a run that did not finish, and %s.\n", journal.c_str(), problem.c_str());
        return -1;
    }
    printOut("\n%s was left by a run that did not finish: the bank %s is restored from it.\n", journal.c_str(),
             dataName.c_str());
    return 1;
}

void trackBankFile(FILE* stream, const std::string& name, const std::string& dataName) {
    fileOf(changeOf(dataName), name).stream = stream;
}

void untrackBankFile(FILE* stream) {
    BankChange* change;
    TrackedFile* file;
    if (findStream(stream, change, file)) file->stream = nullptr;
}

BankWrite writeBankBytes(FILE* stream, int64_t offset, const void* bytes, size_t size) {
    if (failed) return BankWrite::notWritten;
    BankChange* change;
    TrackedFile* file;
    failed = true;
    if (findStream(stream, change, file) && !saveOriginal(*change, *file, {{offset, offset + static_cast<int64_t>(size)}}))
        return BankWrite::notWritten;
    if (std::fseek(stream, offset, SEEK_SET) != 0) return BankWrite::notPositioned;
    if (!writeStepAllowed() || std::fwrite(bytes, 1, size, stream) != size || std::fflush(stream) != 0)
        return BankWrite::notWritten;
    failed = false;
    return BankWrite::done;
}

FILE* openEmptiedBankFile(const std::string& name, const std::string& dataName) {
    if (failed) return nullptr;
    BankChange& change = changeOf(dataName);
    TrackedFile& file = fileOf(change, name);
    if (!saveOriginal(change, file, {{0, INT64_MAX}})) {
        failed = true;
        return nullptr;
    }
    int fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT, 0644);
    failed = fd < 0 || !writeStepAllowed() || ::ftruncate(fd, 0) != 0;
    if (fd >= 0) ::close(fd);
    file.stream = failed ? nullptr : std::fopen(file.path.c_str(), "r+b");
    failed = failed || !file.stream;
    return file.stream;
}

void journalBankRegions(FILE* stream, const BankRegions& regions) {
    BankChange* change;
    TrackedFile* file;
    if (!failed && findStream(stream, change, file) && !saveOriginal(*change, *file, regions)) failed = true;
}

bool bankWriteFailed() { return failed; }

int commitBankChanges() {
    bool synced = !failed;
    for (BankChange& change : changes) {
        for (TrackedFile& file : change.files) {
            if (!synced || !file.introduced) continue;
            if (file.stream) std::fflush(file.stream);
            int fd = ::open(file.path.c_str(), O_RDONLY);
            synced = fd >= 0 && syncStepAllowed() && ::fsync(fd) == 0;
            if (fd >= 0) ::close(fd);
        }
    }
    if (!synced) {
        printOut("\nThe bank files cannot be written to disk.\n");
        undoBankChanges();
        return -1;
    }
    for (BankChange& change : changes) {
        if (change.journal < 0) continue;
        closeJournal(change);
        if (::unlink(change.journalPath.c_str()) != 0) {
            printOut("\nCannot remove %s: %s.\n", change.journalName.c_str(), std::strerror(errno));
            undoBankChanges();
            return -1;
        }
    }
    forgetBankChanges();
    return 0;
}

void undoBankChanges() {
    for (BankChange& change : changes) {
        if (change.journal < 0) continue;
        closeJournal(change);
        std::vector<std::string> names;
        std::string problem;
        if (applyJournal(change.journalPath, names, problem))
            printOut("\n%s are left as they were.\n", fileNames(names).c_str());
        else
            printOut("\n%s cannot be applied (%s); the next run that opens the bank applies it.\n",
                     change.journalName.c_str(), problem.c_str());
    }
    forgetBankChanges();
}

void forgetBankChanges() {
    for (BankChange& change : changes) closeJournal(change);
    changes.clear();
    failed = false;
}
