// Advisory locks on the bank files, kept per file identity so that a process
// that opens a bank again (under the same or another name) uses the lock it has.
#include "bank/bank_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct HeldBank {
    std::string path;  // absolute
    std::string name;  // as the user gave it
    int fd;
    dev_t device;
    ino_t inode;
    bool exclusive;
    bool made;  // lockBank made the file
};

std::vector<HeldBank> held;

HeldBank* heldByName(const std::string& name) {
    std::string path = absolutePath(name);
    for (HeldBank& bank : held)
        if (bank.path == path) return &bank;
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0) return nullptr;
    for (HeldBank& bank : held)
        if (bank.device == status.st_dev && bank.inode == status.st_ino) return &bank;
    return nullptr;
}

// "process 1234 (vorn)" from the system's table of locks, or "another process"
// where the system does not tell.
std::string otherHolder(const HeldBank& bank) {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10952769 0 EOF"
        std::istringstream words(line);
        std::string number, kind, advisory, mode, where;
        long pid = 0;
        if (!(words >> number >> kind >> advisory >> mode >> pid >> where) || kind != "FLOCK") continue;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) continue;
        if (inode != bank.inode || major != ::major(bank.device) || minor != ::minor(bank.device) || pid == ::getpid())
            continue;
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string program;
        std::getline(comm, program);
        return "process " + std::to_string(pid) + (program.empty() ? "" : " (" + program + ")");
    }
    return "another process";
}

BankStatus refuseBusy(const HeldBank& bank) {
    return bankFailure(BankError::busy, "\n" + bank.name + " is in use by " + otherHolder(bank) + ": try again when it has finished.\n");
}

BankStatus refuseIrregular(const std::string& name) {
    return bankFailure(BankError::notRegular, "\n" + name + " is not a regular file, so it cannot be a bank file.\n");
}

}  // namespace

std::string absolutePath(const std::string& name) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(name, error);
    return error ? "" : path.lexically_normal().string();
}

BankStatus lockBank(const std::string& dataName, const std::string& indexName, BankAccess access, bool create) {
    struct stat status {};
    if (::stat(indexName.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return refuseIrregular(indexName);
    HeldBank* bank = heldByName(dataName);
    if (!bank) {
        // Opened without waiting for a writer, should the name be a FIFO.
        bool made = false;
        int fd = ::open(dataName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && access == BankAccess::write && create) {
            fd = ::open(dataName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_CREAT | O_EXCL, 0644);
            made = fd >= 0;
        }
        // A file that cannot be opened is refused where the bank is opened.
        if (fd < 0) return {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            return refuseIrregular(dataName);
        }
        std::string path = absolutePath(dataName);
        HeldBank opened{path, dataName, fd, status.st_dev, status.st_ino, false, made};
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            BankStatus busy = refuseBusy(opened);
            if (made) ::unlink(dataName.c_str());
            ::close(fd);
            return busy;
        }
        held.push_back(opened);
        bank = &held.back();
    }
    if (access == BankAccess::write) return lockBankExclusively(dataName);
    return {};
}

BankStatus lockBankExclusively(const std::string& dataName) {
    HeldBank* bank = heldByName(dataName);
    if (!bank || bank->exclusive) return {};
    if (::flock(bank->fd, LOCK_EX | LOCK_NB) != 0) return refuseBusy(*bank);
    bank->exclusive = true;
    return {};
}

bool bankFileMadeHere(const std::string& path) {
    for (const HeldBank& bank : held)
        if (bank.path == path) return bank.made;
    return false;
}

void removeBankFilesMadeHere() {
    for (HeldBank& bank : held) {
        struct stat status {};
        if (bank.made && ::stat(bank.path.c_str(), &status) == 0 && status.st_ino == bank.inode &&
            status.st_dev == bank.device)
            ::unlink(bank.path.c_str());
        bank.made = false;
    }
}

void releaseBankLocks() {
    for (const HeldBank& bank : held) ::close(bank.fd);
    held.clear();
}
