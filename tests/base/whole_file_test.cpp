// Whole-file writes: a new file and a replaced one hold exactly the new bytes
// under a fresh inode, a link at the target is replaced and not written
// through, a FIFO or device is written in place, and a failed or abandoned
// write leaves the old target and no temporary beside it.
#include "base/whole_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

ino_t inodeOf(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Makes writes past `bytes` fail (EFBIG) for its lifetime.
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, SIG_DFL);
    }
};

using WholeFile = ModelTest;

TEST_F(WholeFile, ReplacesTheTargetWholeOrLeavesIt) {
    struct Case {
        const char* what;
        std::function<void()> before;  // the target as it stands
        const char* path;
        std::string message;  // empty when the write succeeds
        std::set<std::string> after;
        std::string target;   // the bytes at `path` afterwards
        mode_t mode;
    };
    const mode_t mask = ::umask(022);
    const std::string bytes = "new bytes\n";
    const std::vector<Case> cases{
        {"new", [] {}, "t", "", {"t"}, bytes, 0644},
        {"replaced, mode kept", [] {
             writeFile("t", "old and longer\n");
             ::chmod("t", 0600);
         }, "t", "", {"t"}, bytes,
         0600},
        {"link replaced, not followed", [] {
             writeFile("k", "kept\n");
             ::symlink("k", "t");
         }, "t", "", {"k", "t"},
         bytes, 0644},
        {"directory", [] { fs::create_directory("t"); }, "t", "cannot write t: it is a directory", {"t"}, "", 0},
        {"no folder", [] {}, "none/t", "cannot write none/t: No such file or directory", {}, "", 0},
        {"write fails", [] { writeFile("t", "old\n"); }, "t", "cannot write t: File too large", {"t"}, "old\n",
         0644},
        {"FIFO nobody reads", [] { ::mkfifo("t", 0600); }, "t", "cannot write t: no process reads from it", {"t"},
         "", 0},
    };
    for (const Case& c : cases) {
        fs::remove_all("d");
        fs::create_directory("d");
        fs::current_path("d");
        c.before();
        const ino_t old = inodeOf(c.path);
        std::optional<FileSizeLimit> limit;
        if (c.message.ends_with("too large")) limit.emplace(4);
        const FileStatus status = writeWholeFile(c.path, bytes);
        limit.reset();
        EXPECT_EQ(status.message, c.message) << c.what;
        EXPECT_EQ(status.ok(), c.message.empty()) << c.what;
        EXPECT_EQ(entries("."), c.after) << c.what;
        if (!c.target.empty()) {
            EXPECT_EQ(readFile(c.path), c.target) << c.what;
        }
        struct stat target {};
        if (c.mode != 0 && ::lstat(c.path, &target) == 0) {
            EXPECT_EQ(target.st_mode & 07777, c.mode) << c.what;
            EXPECT_TRUE(S_ISREG(target.st_mode)) << c.what;
            EXPECT_EQ(c.message.empty(), inodeOf(c.path) != old) << c.what;
        }
        if (fs::exists("k")) {
            EXPECT_EQ(readFile("k"), "kept\n") << c.what;
        }
        fs::current_path("..");
    }
    ::umask(mask);
}

TEST_F(WholeFile, WritesAFifoOrDeviceInPlace) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    const int reader = ::open("pipe", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(writeWholeFile("pipe", "through\n").message, "");
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 8);
    EXPECT_EQ(std::string(got), "through\n");
    ::close(reader);
    EXPECT_EQ(writeWholeFile("/dev/full", "x").message, "cannot write /dev/full: No space left on device");
    EXPECT_EQ(writeWholeFile("/dev/null", "x").message, "");
    EXPECT_EQ(entries("."), std::set<std::string>{"pipe"});
}

TEST_F(WholeFile, StagedFileTakesItsNameOnlyWhenCommitted) {
    writeFile("t", "old\n");
    {
        StagedFile staged;
        ASSERT_TRUE(stageWholeFile("t", "new\n", staged).ok());
        EXPECT_EQ(entries(".").size(), 2u);  // the synced temporary beside the target
        EXPECT_EQ(readFile("t"), "old\n");
    }
    EXPECT_EQ(entries("."), std::set<std::string>{"t"});
    EXPECT_EQ(readFile("t"), "old\n");
    StagedFile staged;
    ASSERT_TRUE(openStagedFile("t", staged).ok());
    std::fputs("streamed\n", staged.stream);
    ASSERT_TRUE(closeStagedFile(staged).ok());
    ASSERT_TRUE(commitStagedFile(staged).ok());
    EXPECT_EQ(readFile("t"), "streamed\n");
    EXPECT_EQ(entries("."), std::set<std::string>{"t"});
}

}  // namespace
