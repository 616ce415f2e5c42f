// Encoding the journal's records and applying a journal to the bank files it names.
#include "bank/journal_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "bank/journal.h"

namespace {

void putLittleEndian(std::string& out, uint64_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) out.push_back(static_cast<char>((value >> (8 * b)) & 0xFF));
}

uint64_t getLittleEndian(const std::string& in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int b = 0; b < bytes; ++b) value |= uint64_t{static_cast<unsigned char>(in[at + b])} << (8 * b);
    return value;
}

// FNV-1a over the record's bytes.
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

struct RestoredFile {
    std::string path;
    int64_t originalLength;
};

struct Region {
    uint8_t file;
    int64_t offset;
    std::string bytes;
};

// The records of a journal up to the first one that is cut short or damaged:
// that one, and anything after it, was never synced, so no bank byte depends on it.
void parseJournal(const std::string& text, const std::filesystem::path& folder,
                  std::map<uint8_t, RestoredFile>& files, std::vector<Region>& regions) {
    if (text.compare(0, kJournalMagicSize, kJournalMagic) != 0) return;
    size_t at = kJournalMagicSize;
    for (;;) {
        size_t start = at;
        if (text.size() < at + 2) return;
        char kind = text[at];
        uint8_t file = static_cast<uint8_t>(text[at + 1]);
        at += 2;
        if (kind == 'F') {
            if (text.size() < at + 10) return;
            int64_t length = static_cast<int64_t>(getLittleEndian(text, at, 8));
            size_t nameSize = getLittleEndian(text, at + 8, 2);
            at += 10;
            if (text.size() < at + nameSize + 4) return;
            std::string name = text.substr(at, nameSize);
            at += nameSize;
            if (getLittleEndian(text, at, 4) != checksum(text, start, at)) return;
            files[file] = {(folder / name).string(), length};
        } else if (kind == 'B') {
            if (text.size() < at + 12) return;
            int64_t offset = static_cast<int64_t>(getLittleEndian(text, at, 8));
            size_t size = getLittleEndian(text, at + 8, 4);
            at += 12;
            if (text.size() < at + size + 4) return;
            std::string bytes = text.substr(at, size);
            at += size;
            if (getLittleEndian(text, at, 4) != checksum(text, start, at)) return;
            regions.push_back({file, offset, std::move(bytes)});
        } else {
            return;
        }
        at += 4;
    }
}

bool readWholeFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return got == 0;
}

// The original bytes and length of one file, synced.
bool restoreFile(const RestoredFile& file, const std::vector<Region>& regions, uint8_t number) {
    if (file.originalLength < 0) return ::unlink(file.path.c_str()) == 0 || errno == ENOENT;
    int fd = ::open(file.path.c_str(), O_RDWR);
    if (fd < 0) return false;
    bool ok = true;
    for (const Region& region : regions) {
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

std::string fileRecord(uint8_t file, int64_t originalLength, const std::string& relativeName) {
    std::string record = {'F', static_cast<char>(file)};
    putLittleEndian(record, static_cast<uint64_t>(originalLength), 8);
    putLittleEndian(record, relativeName.size(), 2);
    return sealed(record + relativeName);
}

std::string bytesRecord(uint8_t file, int64_t offset, const std::string& bytes) {
    std::string record = {'B', static_cast<char>(file)};
    putLittleEndian(record, static_cast<uint64_t>(offset), 8);
    putLittleEndian(record, bytes.size(), 4);
    return sealed(record + bytes);
}

bool applyJournal(const std::string& journalPath, std::vector<std::string>& names, std::string& problem) {
    std::string text;
    if (!readWholeFile(journalPath, text)) {
        problem = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    std::filesystem::path folder = std::filesystem::path(journalPath).parent_path();
    std::map<uint8_t, RestoredFile> files;
    std::vector<Region> regions;
    parseJournal(text, folder, files, regions);
    for (const auto& [number, file] : files) {
        names.push_back(std::filesystem::path(file.path).lexically_relative(folder).string());
        if (!restoreFile(file, regions, number)) {
            problem = "cannot restore " + names.back() + ": " + std::strerror(errno);
            return false;
        }
    }
    if (::unlink(journalPath.c_str()) != 0) {
        problem = std::string("cannot remove it: ") + std::strerror(errno);
        return false;
    }
    return true;
}
