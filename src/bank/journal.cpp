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
#include "base/file_identity.h"
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
std::string journalNotMade(const BankChange& change, int error) {
    struct stat status {};
    std::string why = std::strerror(error);
    if (error == EEXIST && ::lstat(change.journalPath.c_str(), &status) == 0)
        why = S_ISLNK(status.st_mode) ? "a symbolic link is in its place" : "another file is in its place";
    return "\nCannot make the journal " + change.journalName + ": " + why + ".\n";
}

bool syncJournal(const BankChange& change) { return syncStepAllowed() && ::fsync(change.journal) == 0; }

// Appends `records` (`count` of them) to the journal, made fresh when there is
// none yet, syncs them, and only then makes them valid by writing the count
// into the header, synced in turn. A failure's line goes to `said`.
bool writeRecords(BankChange& change, std::string records, uint64_t count, std::string& said) {
    const bool created = change.journal < 0;
    if (created) {
        change.journal = ::open(change.journalPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (change.journal < 0) {
            said += journalNotMade(change, errno);
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
    said += "\nCannot write the journal " + change.journalName + ": " + std::strerror(errno) + ".\n";
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
bool saveOriginal(BankChange& change, TrackedFile& file, const BankRegions& regions, std::string& said) {
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
    return records.empty() || writeRecords(change, records, count, said);
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

BankStatus refuseUntrusted(const std::string& journal, const std::string& problem, const std::string& dataName) {
    return bankFailure(BankError::untrusted, "\n" + journal + " cannot be trusted: " + problem + ". The bank " + dataName +
                " may be half written; the journal and the bank are kept as they are.\n");
}

BankStatus cannotRemove(const std::string& name) {
    return bankFailure(BankError::unapplied, "\nCannot remove " + name + ": " + std::strerror(errno) + ".\n");
}

BankStatus applyLeftJournal(const CheckedJournal& checked, const std::string& journal, const std::string& dataName) {
    std::vector<std::string> names;
    std::string problem;
    if (!applyJournal(checked, journal, names, problem))
        return bankFailure(BankError::unapplied, "\n" + journal + " was left by a run that did not finish, and " + problem + ".\n");
    return bankNote("\n" + journal + " was left by a run that did not finish: the bank " + dataName + " is restored from it.\n");
}

// True when the journal at `path` is valid and belongs to change `number`.
bool validJournalOfChange(const std::string& path, uint64_t number) {
    uint64_t count = 0;
    uint64_t found = 0;
    return isRegularFile(path) && readJournalHeader(path, count, found) && count > 0 && found == number;
}

// Before the following journal is valid, the other bank's data file can only
// be the empty file made to lock it: when it was new, it goes again.
BankStatus removeNewDataFile(const CheckedJournal& leader, const std::string& dataName) {
    struct stat status {};
    if (leader.partnerNew && ::lstat(dataName.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0 &&
        ::unlink(dataName.c_str()) != 0)
        return cannotRemove(dataName);
    return {};
}

// Removes a journal that changed nothing (never made valid, or following a change made final).
BankStatus removeJournal(const std::string& journal) {
    return ::unlink(journal.c_str()) == 0 ? BankStatus{} : cannotRemove(journal);
}

// A leading journal's follower is applied first: once the leader is gone, the
// follower counts as committed. `leaderJournal` as the user named it: the
// follower is named the same way.
BankStatus applyFollower(const CheckedJournal& leader, const std::string& leaderJournal) {
    const std::string path = (fs::path(leaderJournal).parent_path() / leader.partnerName).lexically_normal().string();
    const std::string dataName = path.substr(0, path.size() - std::strlen("-journal"));
    if (!dataName.ends_with(".bnk")) return refuseUntrusted(path, "it is not the journal of a bank", dataName);
    const std::string indexName = dataName.substr(0, dataName.size() - 4) + ".ind";
    BankStatus locked = lockBank(dataName, indexName, BankAccess::write, false);
    if (locked.error != BankError::none) return locked;
    if (!isRegularFile(path)) return removeNewDataFile(leader, dataName);
    CheckedJournal follower = checkJournal(path, dataName, indexName);
    // One never made valid goes, whoever made it: it changed nothing.
    if (follower.state == JournalState::incomplete) {
        BankStatus removed = removeJournal(path);
        return removed.error == BankError::none ? removeNewDataFile(leader, dataName) : removed;
    }
    if (follower.changeNumber != leader.changeNumber) return removeNewDataFile(leader, dataName);  // another change's
    if (follower.state == JournalState::untrusted) return refuseUntrusted(path, follower.problem, dataName);
    return applyLeftJournal(follower, path, dataName);
}

BankStatus recoverJournal(const std::string& journal, const std::string& dataName, const std::string& indexName) {
    CheckedJournal checked = checkJournal(journal, dataName, indexName);
    if (checked.state == JournalState::untrusted) return refuseUntrusted(journal, checked.problem, dataName);
    if (checked.state == JournalState::incomplete) {
        BankStatus removed = removeJournal(journal);
        if (removed.error == BankError::none)
            removed.notes = "\n" + journal + " was left by a run that died before it changed the bank " + dataName +
                            ": it is removed.\n";
        return removed;
    }
    if (checked.role == 'F' && !validJournalOfChange(checked.partnerPath, checked.changeNumber)) {
        // The leading journal is gone: the change was made final.
        return removeJournal(journal);
    }
    BankStatus recovered;
    if (checked.role == 'L') {
        recovered = applyFollower(checked, journal);
        if (recovered.error != BankError::none) return recovered;
    }
    addBankStatus(recovered, applyLeftJournal(checked, journal, dataName));
    return recovered;
}

// The other file the change tracks beside the data file: the index.
std::string indexPathOf(const BankChange& change) {
    for (const TrackedFile& file : change.files)
        if (file.path != change.dataPath) return file.path;
    return "";
}

// Adds to `said` the line that tells what became of the change's files.
void undoChange(BankChange& change, BankStatus& said) {
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
            addBankStatus(said, bankNote("\n" + fileNames(names) + " are left as they were.\n"));
        return;
    }
    if (checked.state == JournalState::valid && applyJournal(checked, change.journalPath, names, problem)) {
        addBankStatus(said, bankNote("\n" + fileNames(names) + " are left as they were.\n"));
        return;
    }
    if (checked.state == JournalState::untrusted) problem = checked.problem;
    addBankStatus(said, bankFailure(BankError::unapplied, "\n" + change.journalName + " cannot be applied (" + problem +
                             "); the next run that opens the bank applies it.\n"));
}

}  // namespace

bool writeStepAllowed() { return step(journalHooks.writes, journalHooks.failWriteAt); }
bool syncStepAllowed() { return step(journalHooks.syncs, journalHooks.failSyncAt); }

std::string journalName(const std::string& dataName) { return dataName + "-journal"; }

BankStatus claimBank(const std::string& dataName, const std::string& indexName, BankAccess access, bool create) {
    BankStatus locked = lockBank(dataName, indexName, access, create);
    if (locked.error != BankError::none) return locked;
    const std::string journal = journalName(dataName);
    const std::string journalPath = absolutePath(journal);
    for (const BankChange& change : changes)
        if (change.journalPath == journalPath && change.journal >= 0) return {};  // this process's own
    // Anything but a regular file there is no journal; making one there is refused.
    if (!isRegularFile(journal)) return {};
    locked = lockBankExclusively(dataName);
    if (locked.error != BankError::none) return locked;
    return recoverJournal(journal, dataName, indexName);
}

BankStatus pairBankChanges(const std::string& leadingData, const std::string& followingData) {
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
    std::string said;
    if (writeRecords(leader, records, count, said)) return {};
    failed = true;
    return bankFailure(BankError::notWritten, said);
}

void trackBankFile(FILE* stream, const std::string& name, const std::string& dataName) {
    fileOf(changeOf(dataName), name).stream = stream;
}

void untrackBankFile(FILE* stream) {
    BankChange* change;
    TrackedFile* file;
    if (findStream(stream, change, file)) file->stream = nullptr;
}

BankStatus writeBankBytes(FILE* stream, int64_t offset, const void* bytes, size_t size) {
    if (failed) return bankFailure(BankError::notWritten, "");
    forgetBankValues();
    BankChange* change;
    TrackedFile* file;
    failed = true;
    std::string said;
    if (!findStream(stream, change, file)) return bankFailure(BankError::notWritten, "\nA write to a file the bank's journal does not track is refused.\n");
    if (!saveOriginal(*change, *file, {{offset, offset + static_cast<int64_t>(size)}}, said))
        return bankFailure(BankError::notWritten, said);
    if (std::fseek(stream, offset, SEEK_SET) != 0) return bankFailure(BankError::notPositioned, "");
    if (!writeStepAllowed() || std::fwrite(bytes, 1, size, stream) != size || std::fflush(stream) != 0)
        return bankFailure(BankError::notWritten, "");
    failed = false;
    return {};
}

BankStatus openEmptiedBankFile(const std::string& name, const std::string& dataName, FILE*& stream) {
    stream = nullptr;
    if (failed) return bankFailure(BankError::notWritten, "");
    forgetBankValues();
    BankChange& change = changeOf(dataName);
    TrackedFile& file = fileOf(change, name);
    std::string said;
    if (!saveOriginal(change, file, {{0, INT64_MAX}}, said)) {
        failed = true;
        return bankFailure(BankError::notWritten, said);
    }
    int fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK, 0644);
    failed = fd < 0 || !writeStepAllowed() || ::ftruncate(fd, 0) != 0;
    if (fd >= 0) ::close(fd);
    file.stream = failed ? nullptr : std::fopen(file.path.c_str(), "r+b");
    failed = failed || !file.stream;
    stream = file.stream;
    if (failed) return bankFailure(BankError::notWritten, "\nCannot empty " + name + ": " + std::strerror(errno) + ".\n");
    return {};
}

BankStatus journalBankRegions(FILE* stream, const BankRegions& regions) {
    BankChange* change;
    TrackedFile* file;
    std::string said;
    if (!failed && findStream(stream, change, file) && !saveOriginal(*change, *file, regions, said)) failed = true;
    return bankFailure(failed ? BankError::notWritten : BankError::none, said);
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
           sameFile(made, there);
}

// The removal of a leading journal is made durable before the journal that
// follows it goes. Not a step that can be made to fail: the change is final
// once the journal is removed.
bool syncLeaderRemoval(const BankChange& change) {
    step(journalHooks.killPoints, 0);
    return syncFolder(fs::path(change.journalPath).parent_path().string());
}

BankStatus commitBankChanges() {
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
        BankStatus status = bankFailure(BankError::notWritten, "\nThe bank files cannot be written to disk.\n");
        addBankStatus(status, undoBankChanges());
        return status;
    }
    BankStatus status;
    bool committed = false;
    for (BankChange* change : inOrder('L')) {
        if (change->journal < 0) continue;
        const bool own = ownJournalThere(*change);
        closeJournal(*change);
        if (!own) {
            status.notes += "\n" + change->journalName + " is no longer the journal this run made: it is left as it is.\n";
        } else if (::unlink(change->journalPath.c_str()) != 0) {
            const std::string line = "\nCannot remove " + change->journalName + ": " + std::strerror(errno) + ".\n";
            // Before the first removal nothing is committed; after it, a journal left follows a removed one
            // and is dropped by the next process that opens its bank.
            if (!committed) {
                addBankStatus(status, bankFailure(BankError::notWritten, line));
                addBankStatus(status, undoBankChanges());
                return status;
            }
            status.notes += line;
        } else if (change->role == 'L' && !syncLeaderRemoval(*change)) {
            // The removal that makes the change final may not be on disk yet: the journal that follows
            // it stays, to be dropped by the next process that opens its bank.
            status.notes += "\nCannot sync the folder of " + change->journalName + ": " + std::strerror(errno) + ".\n";
            forgetBankChanges();
            return status;
        }
        committed = true;
    }
    forgetBankChanges();
    return status;
}

BankStatus undoBankChanges() {
    forgetBankValues();
    BankStatus said;
    for (BankChange* change : inOrder('F')) undoChange(*change, said);
    removeBankFilesMadeHere();
    forgetBankChanges();
    return said;
}

void forgetBankChanges() {
    for (BankChange& change : changes) closeJournal(change);
    changes.clear();
    failed = false;
    releaseBankLocks();
}
