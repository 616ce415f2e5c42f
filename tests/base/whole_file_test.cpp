// Whole-file writes: the target holds exactly the new bytes under a fresh
// inode, a link there is replaced and not written through, a FIFO or device is
// written in place, and a failed or abandoned write leaves the old target and
// no temporary beside it.
#include "base/whole_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> entries() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename());
    return names;
}

struct stat statusOf(const char* path) {
    struct stat status {};
    ::lstat(path, &status);
    return status;
}

using WholeFile = ModelTest;

TEST_F(WholeFile, ReplacesTheTargetWholeOrLeavesIt) {
    struct Case {
        std::function<void()> before;  // the target as it stands
        const char* path;
        std::string message;           // empty when the write succeeds
        std::set<std::string> after;
        std::string target;            // the bytes at `path` afterwards
        mode_t mode;                   // and its permissions, when a regular file
    };
    const mode_t mask = ::umask(022);
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    ::signal(SIGXFSZ, SIG_IGN);
    const std::vector<Case> cases{
        {[] {}, "t", "", {"t"}, "new\n", 0644},
        {[] { writeFile("t", "old and longer\n"); ::chmod("t", 0600); }, "t", "", {"t"}, "new\n", 0600},
        {[] { ::symlink("k", "t"); }, "t", "", {"t"}, "new\n", 0644},
        {[] { fs::create_directory("t"); }, "t", "cannot write t: it is a directory", {"t"}, "", 0},
        {[] {}, "none/t", "cannot write none/t: No such file or directory", {}, "", 0},
        {[&] {
             writeFile("t", "old\n");
             const rlimit tiny{2, unlimited.rlim_max};
             ::setrlimit(RLIMIT_FSIZE, &tiny);
         },
         "t", "cannot write t: File too large", {"t"}, "old\n", 0644},
        {[] { ::mkfifo("t", 0600); }, "t", "cannot write t: no process reads from it", {"t"}, "", 0},
    };
    for (const Case& c : cases) {
        fs::remove_all("d");
        fs::create_directory("d");
        fs::current_path("d");
        writeFile("k", "kept\n");
        c.before();
        const ino_t old = statusOf(c.path).st_ino;
        const FileStatus status = writeWholeFile(c.path, "new\n");
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(status.message, c.message) << c.path;
        EXPECT_EQ(status.ok(), c.message.empty());
        std::set<std::string> after = c.after;
        after.insert("k");
        EXPECT_EQ(entries(), after) << c.message;
        EXPECT_EQ(readFile("k"), "kept\n") << c.message;
        if (c.mode != 0) {
            EXPECT_EQ(readFile(c.path), c.target) << c.message;
            EXPECT_EQ(statusOf(c.path).st_mode, S_IFREG | c.mode) << c.message;
            EXPECT_EQ(c.message.empty(), statusOf(c.path).st_ino != old) << c.message;
        }
        fs::current_path("..");
    }
    ::signal(SIGXFSZ, SIG_DFL);
    ::umask(mask);
}

TEST_F(WholeFile, WritesDevicesInPlaceAndCommitsOnlyWhenAsked) {
    EXPECT_EQ(writeWholeFile("/dev/full", "x").message, "cannot write /dev/full: No space left on device");
    writeFile("t", "old\n");
    {
        StagedFile abandoned;
        ASSERT_TRUE(stageWholeFile("t", "new\n", abandoned).ok());
        EXPECT_EQ(entries().size(), 2u);  // the synced temporary beside the target
    }
    EXPECT_EQ(entries(), std::set<std::string>{"t"});
    EXPECT_EQ(readFile("t"), "old\n");
}

}  // namespace
