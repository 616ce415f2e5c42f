// Writing a file other than a bank file whole: a fresh temporary beside the
// target, synced, renamed over it, the folder synced (see whole_file.h).
#include "base/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

FileStatus failure(int error, const std::string& path, const char* why) {
    return FileStatus{error, "cannot write " + path + ": " + why};
}

FileStatus failure(int error, const std::string& path) { return failure(error, path, std::strerror(error)); }

std::string folderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A device or a FIFO the user named, opened for writing in place.
FileStatus openInPlace(const std::string& path, StagedFile& file) {
    int descriptor = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0 && errno == ENXIO) return failure(ENXIO, path, "no process reads from it");
    if (descriptor < 0) return failure(errno, path);
    int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0 && ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0)
        file.stream = ::fdopen(descriptor, "wb");
    if (file.stream) return {};
    int error = errno;
    ::close(descriptor);
    return failure(error, path);
}

}  // namespace

StagedFile::~StagedFile() {
    if (stream) std::fclose(stream);
    if (!temporary.empty()) ::unlink(temporary.c_str());
}

FileStatus openStagedFile(const std::string& path, StagedFile& file) {
    file.path = path;
    struct stat existing;
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return failure(EISDIR, path, "it is a directory");
    // What a device or FIFO takes cannot be taken back: nothing to stage.
    if (exists && !S_ISREG(existing.st_mode)) return openInPlace(path, file);

    std::string temporary = folderOf(path) + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return failure(errno, path);
    file.temporary = temporary;
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = exists ? existing.st_mode & 07777 : 0666 & ~mask;
    if (::fchmod(descriptor, mode) == 0) file.stream = ::fdopen(descriptor, "wb");
    if (file.stream) return {};
    int error = errno;
    ::close(descriptor);
    return failure(error, path);
}

FileStatus closeStagedFile(StagedFile& file) {
    FILE* stream = file.stream;
    file.stream = nullptr;
    bool written = std::fflush(stream) == 0 && std::ferror(stream) == 0;
    // A device or FIFO has nothing to sync.
    if (written && !file.temporary.empty()) written = ::fsync(::fileno(stream)) == 0;
    int error = errno;
    if (std::fclose(stream) != 0 && written) {
        written = false;
        error = errno;
    }
    return written ? FileStatus{} : failure(error, file.path);
}

FileStatus commitStagedFile(StagedFile& file) {
    if (file.temporary.empty()) return {};  // written in place already
    if (::rename(file.temporary.c_str(), file.path.c_str()) != 0) return failure(errno, file.path);
    file.temporary.clear();
    if (!syncFolder(folderOf(file.path)))
        return FileStatus{errno, "cannot sync the folder of " + file.path + ": " + std::strerror(errno)};
    return {};
}

FileStatus stageWholeFile(const std::string& path, const std::string& bytes, StagedFile& file) {
    FileStatus status = openStagedFile(path, file);
    if (!status.ok()) return status;
    std::fwrite(bytes.data(), 1, bytes.size(), file.stream);  // a short write shows in the stream's error flag
    return closeStagedFile(file);
}

FileStatus writeWholeFile(const std::string& path, const std::string& bytes) {
    StagedFile file;
    FileStatus status = stageWholeFile(path, bytes, file);
    return status.ok() ? commitStagedFile(file) : status;
}

bool syncFolder(const std::string& folder) {
    int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return false;
    bool synced = ::fsync(descriptor) == 0 || errno == EINVAL;
    int error = errno;
    ::close(descriptor);
    errno = error;
    return synced;
}
