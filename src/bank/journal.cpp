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
#include <random>
#include <utility>
#include <vector>

#include "bank/journal_file.h"
#include "bank/stored_values.h"
#include "base/console.h"
#include "base/exit.h"
#include "base/whole_file.h"

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
    std::string dataPath;     // absolute
    int journal = -1;         // descriptor, once the journal exists
    std::vector<TrackedFile> files;
    uint64_t number = 0;       // the same in both journals of a paired change
    uint64_t recordCount = 0;  // records made valid
    char role = 0;             // 'L', 'F' or 0, as in the journal's 'P' record
    std::string partner;       // the other journal, relative to this one's folder
    bool partnerNew = false;   // the other bank's data file did not exist
    bool partnerWritten = false;
};

std::vector<BankChange> changes;
bool failed = false;

bool step(long& counter, long failAt) {
    ++counter;
    if (journalHooks.killAt > 0 &&
        journalHooks.writes + journalHooks.syncs + journalHooks.killPoints == journalHooks.killAt)
        ::raise(SIGKILL);
    if (counter != failAt) return true;
    errno = EIO;
    return false;
}

// A write cut short is continued, so that a failure says why.
bool writeAll(int fd, const std::string& bytes) {
    if (!writeStepAllowed()) return false;
    for (size_t done = 0; done < bytes.size();) {
        ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// The journal's folder, synced once a journal is made in it: a step of the layer.
bool syncJournalFolder(const std::string& journalPath) {
    return syncStepAllowed() && syncFolder(fs::path(journalPath).parent_path().string());
}

uint64_t newChangeNumber() {
    std::random_device source;
    return (uint64_t{source()} << 32 | source()) ^ static_cast<uint64_t>(::getpid());
}

BankChange& changeOf(const std::string& dataName) {
    std::string journalPath = absolutePath(journalName(dataName));
    for (BankChange& change : changes)
        if (change.journalPath == journalPath) return change;
    BankChange& change = changes.emplace_back();
    change.journalPath = journalPath;
    change.journalName = journalName(dataName);
    change.dataPath = absolutePath(dataName);
    change.number = newChangeNumber();
    return change;
}

TrackedFile& fileOf(BankChange& change, const std::string& name) {
    std::string path = absolutePath(name);
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

// One line naming the journal and why it cannot be made.
void reportJournalNotMade(const BankChange& change, int error) {
    struct stat status {};
    std::string why = std::strerror(error);
    if (error == EEXIST && ::lstat(change.journalPath.c_str(), &status) == 0)
        why = S_ISLNK(status.st_mode) ? "a symbolic link is in its place" : "another file is in its place";
    printOut("\nCannot make the journal %s: %s.\n", change.journalName.c_str(), why.c_str());
}

bool syncJournal(const BankChange& change) { return syncStepAllowed() && ::fsync(change.journal) == 0; }

// Appends `records` (`count` of them) to the journal, made fresh when there is
// none yet, syncs them, and only then makes them valid by writing the count
// into the header, synced in turn.
bool writeRecords(BankChange& change, std::string records, uint64_t count) {
    const bool created = change.journal < 0;
    if (created) {
        change.journal = ::open(change.journalPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (change.journal < 0) {
            reportJournalNotMade(change, errno);
            return false;
        }
        records = journalHeader(0, change.number) + records;
    }
    if (change.role != 0 && !change.partnerWritten) {
        records += partnerRecord(change.partnerNew ? 'N' : change.role, change.partner);
        ++count;
        change.partnerWritten = true;
    }
    change.recordCount += count;
    const std::string header = journalHeader(change.recordCount, change.number);
    if (writeAll(change.journal, records) && syncJournal(change) && (!created || syncJournalFolder(change.journalPath)) &&
        writeStepAllowed() &&
        ::pwrite(change.journal, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size()) &&
        syncJournal(change))
        return true;
    printOut("\nCannot write the journal %s: %s.\n", change.journalName.c_str(), std::strerror(errno));
    return false;
}

// 'F' records for the files of the bank not named in the journal yet, so that
// the journal speaks for the whole bank.
std::string introduceFiles(BankChange& change, uint64_t& count) {
    std::string records;
    for (TrackedFile& each : change.files) {
        if (each.introduced) continue;
        struct stat status {};
        const bool exists = ::stat(each.path.c_str(), &status) == 0 && !bankFileMadeHere(each.path);
        each.originalLength = exists ? status.st_size : -1;
        FileIdentity identity;
        if (exists) identity = {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
        std::string relative = fs::path(each.path).lexically_relative(fs::path(change.journalPath).parent_path());
        records += fileRecord(static_cast<uint8_t>(&each - change.files.data()), each.originalLength, identity, relative);
        each.introduced = true;
        ++count;
    }
    return records;
}

// Puts into the journal, and syncs, what writes of the regions would destroy.
bool saveOriginal(BankChange& change, TrackedFile& file, const BankRegions& regions) {
    uint64_t count = 0;
    std::string records = introduceFiles(change, count);
    const bool whole = file.originalLength <= journalHooks.wholeFileLimit;
    for (auto [from, to] : whole ? BankRegions{{0, file.originalLength}} : regions) {
        for (const auto& [partFrom, partTo] : unsavedParts(file, from, std::min(to, file.originalLength))) {
            std::string bytes;
            if (!readOriginal(file, partFrom, partTo, bytes)) return false;
            records += bytesRecord(static_cast<uint8_t>(&file - change.files.data()), partFrom, bytes);
            markSaved(file, partFrom, partTo);
            ++count;
        }
    }
    return records.empty() || writeRecords(change, records, count);
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

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

BankOpen refuseUntrusted(const std::string& journal, const std::string& problem, const std::string& dataName) {
    printOut("\n%s cannot be trusted: %s. The bank %s may be half written; the journal and the bank are kept as "
             "they are.\n",
             journal.c_str(), problem.c_str(), dataName.c_str());
    return BankOpen::untrusted;
}

BankOpen cannotRemove(const std::string& name) {
    printOut("\nCannot remove %s: %s.\n", name.c_str(), std::strerror(errno));
    return BankOpen::unapplied;
}

BankOpen applyLeftJournal(const CheckedJournal& checked, const std::string& journal, const std::string& dataName) {
    std::vector<std::string> names;
    std::string problem;
    if (!applyJournal(checked, journal, names, problem)) {
        printOut("\n%s was left by a run that did not finish, and %s.\n", journal.c_str(), problem.c_str());
        return BankOpen::unapplied;
    }
    printOut("\n%s was left by a run that did not finish: the bank %s is restored from it.\n", journal.c_str(),
             dataName.c_str());
    return BankOpen::ready;
}

// True when the journal at `path` is valid and belongs to change `number`.
bool validJournalOfChange(const std::string& path, uint64_t number) {
    uint64_t count = 0;
    uint64_t found = 0;
    return isRegularFile(path) && readJournalHeader(path, count, found) && count > 0 && found == number;
}

// Before the following journal is valid, the other bank's data file can only
// be the empty file made to lock it: when it was new, it goes again.
BankOpen removeNewDataFile(const CheckedJournal& leader, const std::string& dataName) {
    struct stat status {};
    if (leader.partnerNew && ::lstat(dataName.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0 &&
        ::unlink(dataName.c_str()) != 0)
        return cannotRemove(dataName);
    return BankOpen::ready;
}

// Removes a journal that changed nothing (never made valid, or following a
// change made final); `then` when it is gone.
BankOpen removeJournal(const std::string& journal, BankOpen then) {
    return ::unlink(journal.c_str()) == 0 ? then : cannotRemove(journal);
}

// A leading journal's follower is applied first: once the leader is gone, the
// follower counts as committed. `leaderJournal` as the user named it: the
// follower is named the same way.
BankOpen applyFollower(const CheckedJournal& leader, const std::string& leaderJournal) {
    const std::string path = (fs::path(leaderJournal).parent_path() / leader.partnerName).lexically_normal().string();
    const std::string dataName = path.substr(0, path.size() - std::strlen("-journal"));
    if (!dataName.ends_with(".bnk")) return refuseUntrusted(path, "it is not the journal of a bank", dataName);
    const std::string indexName = dataName.substr(0, dataName.size() - 4) + ".ind";
    switch (lockBank(dataName, indexName, BankAccess::write, false)) {
    case BankLock::busy: return BankOpen::busy;
    case BankLock::notRegular: return BankOpen::notRegular;
    case BankLock::held: break;
    }
    if (!isRegularFile(path)) return removeNewDataFile(leader, dataName);
    CheckedJournal follower = checkJournal(path, dataName, indexName);
    // One never made valid goes, whoever made it: it changed nothing.
    if (follower.state == JournalState::incomplete) {
        BankOpen removed = removeJournal(path, BankOpen::ready);
        return removed == BankOpen::ready ? removeNewDataFile(leader, dataName) : removed;
    }
    if (follower.changeNumber != leader.changeNumber) return removeNewDataFile(leader, dataName);  // another change's
    if (follower.state == JournalState::untrusted) return refuseUntrusted(path, follower.problem, dataName);
    return applyLeftJournal(follower, path, dataName);
}

BankOpen recoverJournal(const std::string& journal, const std::string& dataName, const std::string& indexName) {
    CheckedJournal checked = checkJournal(journal, dataName, indexName);
    if (checked.state == JournalState::untrusted) return refuseUntrusted(journal, checked.problem, dataName);
    if (checked.state == JournalState::incomplete) {
        if (removeJournal(journal, BankOpen::ready) != BankOpen::ready) return BankOpen::unapplied;
        printOut("\n%s was left by a run that died before it changed the bank %s: it is removed.\n", journal.c_str(),
                 dataName.c_str());
        return BankOpen::ready;
    }
    if (checked.role == 'F' && !validJournalOfChange(checked.partnerPath, checked.changeNumber)) {
        // The leading journal is gone: the change was made final.
        return removeJournal(journal, BankOpen::ready);
    }
    if (checked.role == 'L') {
        BankOpen follower = applyFollower(checked, journal);
        if (follower != BankOpen::ready) return follower;
    }
    return applyLeftJournal(checked, journal, dataName);
}

// The other file the change tracks beside the data file: the index.
std::string indexPathOf(const BankChange& change) {
    for (const TrackedFile& file : change.files)
        if (file.path != change.dataPath) return file.path;
    return "";
}

void undoChange(BankChange& change) {
    if (change.journal < 0) return;
    closeJournal(change);
    CheckedJournal checked = checkJournal(change.journalPath, change.dataPath, indexPathOf(change));
    std::vector<std::string> names;
    std::string problem;
    if (checked.state == JournalState::incomplete) {
        // Never made valid: the bank was not touched.
        for (const TrackedFile& file : change.files)
            if (file.introduced)
                names.push_back(fs::path(file.path).lexically_relative(fs::path(change.journalPath).parent_path()));
        if (::unlink(change.journalPath.c_str()) == 0 && !names.empty())
            printOut("\n%s are left as they were.\n", fileNames(names).c_str());
        return;
    }
    if (checked.state == JournalState::valid && applyJournal(checked, change.journalPath, names, problem)) {
        printOut("\n%s are left as they were.\n", fileNames(names).c_str());
        return;
    }
    if (checked.state == JournalState::untrusted) problem = checked.problem;
    printOut("\n%s cannot be applied (%s); the next run that opens the bank applies it.\n",
             change.journalName.c_str(), problem.c_str());
}

}  // namespace

bool writeStepAllowed() { return step(journalHooks.writes, journalHooks.failWriteAt); }
bool syncStepAllowed() { return step(journalHooks.syncs, journalHooks.failSyncAt); }

std::string journalName(const std::string& dataName) { return dataName + "-journal"; }

BankOpen claimBank(const std::string& dataName, const std::string& indexName, BankAccess access, bool create) {
    switch (lockBank(dataName, indexName, access, create)) {
    case BankLock::busy: return BankOpen::busy;
    case BankLock::notRegular: return BankOpen::notRegular;
    case BankLock::held: break;
    }
    const std::string journal = journalName(dataName);
    const std::string journalPath = absolutePath(journal);
    for (const BankChange& change : changes)
        if (change.journalPath == journalPath && change.journal >= 0) return BankOpen::ready;  // this process's own
    // Anything but a regular file there is no journal; making one there is refused.
    if (!isRegularFile(journal)) return BankOpen::ready;
    if (!lockBankExclusively(dataName)) return BankOpen::busy;
    return recoverJournal(journal, dataName, indexName);
}

int claimExitCode(BankOpen refusal, int otherwise) {
    return refusal == BankOpen::busy ? kExitBankBusy : refusal == BankOpen::untrusted ? kExitJournalUntrusted : otherwise;
}

bool pairBankChanges(const std::string& leadingData, const std::string& followingData) {
    changeOf(followingData);
    changeOf(leadingData);  // both made before either is held: making one may move the other
    BankChange& leader = changeOf(leadingData);
    BankChange& follower = changeOf(followingData);
    auto relative = [](const BankChange& from, const BankChange& to) {
        return fs::path(to.journalPath).lexically_relative(fs::path(from.journalPath).parent_path()).string();
    };
    follower.number = leader.number;
    leader.role = 'L';
    std::error_code missing;
    leader.partnerNew = !fs::exists(followingData, missing);
    leader.partner = relative(leader, follower);
    follower.role = 'F';
    follower.partner = relative(follower, leader);
    uint64_t count = 0;
    std::string records = introduceFiles(leader, count);
    if (writeRecords(leader, records, count)) return true;
    failed = true;
    return false;
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
    forgetBankValues();
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
    forgetBankValues();
    BankChange& change = changeOf(dataName);
    TrackedFile& file = fileOf(change, name);
    if (!saveOriginal(change, file, {{0, INT64_MAX}})) {
        failed = true;
        return nullptr;
    }
    int fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK, 0644);
    failed = fd < 0 || !writeStepAllowed() || ::ftruncate(fd, 0) != 0;
    if (fd >= 0) ::close(fd);
    file.stream = failed ? nullptr : std::fopen(file.path.c_str(), "r+b");
    failed = failed || !file.stream;
    if (failed) printOut("\nCannot empty %s: %s.\n", name.c_str(), std::strerror(errno));
    return file.stream;
}

void journalBankRegions(FILE* stream, const BankRegions& regions) {
    BankChange* change;
    TrackedFile* file;
    if (!failed && findStream(stream, change, file) && !saveOriginal(*change, *file, regions)) failed = true;
}

bool bankWriteFailed() { return failed; }

// The order journals go in: at a commit the leading journal first (its removal
// commits a paired change), at an undo the following one first (while the
// leading journal is there, the change is not over).
std::vector<BankChange*> inOrder(char first) {
    std::vector<BankChange*> ordered;
    for (BankChange& change : changes)
        if (change.role == first) ordered.push_back(&change);
    for (BankChange& change : changes)
        if (change.role != first) ordered.push_back(&change);
    return ordered;
}

// True when the file at the journal's path is still the journal this process made.
bool ownJournalThere(const BankChange& change) {
    struct stat made {};
    struct stat there {};
    return ::fstat(change.journal, &made) == 0 && ::lstat(change.journalPath.c_str(), &there) == 0 &&
           made.st_dev == there.st_dev && made.st_ino == there.st_ino;
}

// The removal of a leading journal is made durable before the journal that
// follows it goes. Not a step that can be made to fail: the change is final
// once the journal is removed.
bool syncLeaderRemoval(const BankChange& change) {
    step(journalHooks.killPoints, 0);
    return syncFolder(fs::path(change.journalPath).parent_path().string());
}

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
    bool committed = false;
    for (BankChange* change : inOrder('L')) {
        if (change->journal < 0) continue;
        const bool own = ownJournalThere(*change);
        closeJournal(*change);
        if (!own) {
            printOut("\n%s is no longer the journal this run made: it is left as it is.\n", change->journalName.c_str());
        } else if (::unlink(change->journalPath.c_str()) != 0) {
            printOut("\nCannot remove %s: %s.\n", change->journalName.c_str(), std::strerror(errno));
            // Before the first removal nothing is committed; after it, a journal left follows a removed one
            // and is dropped by the next process that opens its bank.
            if (!committed) {
                undoBankChanges();
                return -1;
            }
        } else if (change->role == 'L' && !syncLeaderRemoval(*change)) {
            // The removal that makes the change final may not be on disk yet: the journal that follows
            // it stays, to be dropped by the next process that opens its bank.
            printOut("\nCannot sync the folder of %s: %s.\n", change->journalName.c_str(), std::strerror(errno));
            forgetBankChanges();
            return 0;
        }
        committed = true;
    }
    forgetBankChanges();
    return 0;
}

void undoBankChanges() {
    forgetBankValues();
    for (BankChange* change : inOrder('F')) undoChange(*change);
    removeBankFilesMadeHere();
    forgetBankChanges();
}

void forgetBankChanges() {
    for (BankChange& change : changes) closeJournal(change);
    changes.clear();
    failed = false;
    releaseBankLocks();
}
