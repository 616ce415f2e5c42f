// Files the tools write other than bank files, written whole: the new bytes go
// into a temporary file made fresh beside the target, which is synced and then
// renamed over it, so that the target holds the old bytes or the new ones and
// never a part, and no name that may already exist (a link planted there) is
// ever opened for writing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/tool_kit.h"

namespace {

// Writes every byte to the descriptor; false with errno set when it cannot.
bool writeAll(int descriptor, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A device or a FIFO the user named: written in place, as a shell redirection
// would. A FIFO that no process reads is refused rather than waited for.
void writeInPlace(const std::string& path, const std::string& bytes) {
    int descriptor = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0 && errno == ENXIO) fail("cannot write %s: no process reads from it", path.c_str());
    if (descriptor < 0) fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
    int flags = ::fcntl(descriptor, F_GETFL);
    bool written = flags >= 0 && ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0 && writeAll(descriptor, bytes);
    int error = errno;
    if (::close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) fail("cannot write %s: %s", path.c_str(), std::strerror(error));
}

}  // namespace

StagedFile::~StagedFile() {
    if (!temporary.empty()) ::unlink(temporary.c_str());
}

void stageFile(const std::string& path, const std::string& bytes, StagedFile& staged) {
    staged.path = path;
    struct stat existing;
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) fail("cannot write %s: it is a directory", path.c_str());
    if (exists && !S_ISREG(existing.st_mode)) {
        writeInPlace(path, bytes);  // nothing to stage: what a device or FIFO takes cannot be taken back
        return;
    }

    std::string temporary = folderOf(path) + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) fail("cannot write %s: %s", path.c_str(), std::strerror(errno));
    staged.temporary = temporary;
    // The file keeps the permissions of the one it replaces, or gets those of any new file.
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_t mode = exists ? existing.st_mode & 07777 : 0666 & ~mask;
    bool written = ::fchmod(descriptor, mode) == 0 && writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    int error = errno;
    if (::close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) fail("cannot write %s: %s", path.c_str(), std::strerror(error));
}

void commitStagedFile(StagedFile& staged) {
    if (staged.temporary.empty()) return;  // written in place already
    if (::rename(staged.temporary.c_str(), staged.path.c_str()) != 0)
        fail("cannot write %s: %s", staged.path.c_str(), std::strerror(errno));
    staged.temporary.clear();
    if (!syncFolder(folderOf(staged.path)))
        fail("cannot sync the folder of %s: %s", staged.path.c_str(), std::strerror(errno));
}

void writeWholeFile(const std::string& path, const std::string& bytes) {
    StagedFile staged;
    stageFile(path, bytes, staged);
    commitStagedFile(staged);
}
