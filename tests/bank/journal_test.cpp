// The rollback journal under whole runs: every write or sync made to fail in
// turn leaves every file as it was, and a run killed at any of its steps leaves
// the next open the files from before or after the run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "bank/journal.h"
#include "bank/journal_file.h"
#include "runctl/console.h"
#include "runctl/run.h"
#include "support/harness.h"
#include "vornbank.h"

namespace {

using Snapshot = std::map<std::string, std::string>;

// Name and bytes of every file in the working directory.
Snapshot snapshot() {
    Snapshot files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        files[entry.path().filename().string()] = readFile(entry.path().string());
    return files;
}

struct ChildResult {
    int status;  // the exit code, or 128 + the signal that ended it
    long writes;
    long syncs;
};

// Runs `operation` in a child process with the hooks set and the console on
// /dev/null; the counts are those the child reached.
ChildResult inChild(const JournalHooks& hooks, const std::function<int()>& operation) {
    int counts[2];
    if (pipe(counts) != 0) return {-1, 0, 0};
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(counts[0]);
        journalHooks = hooks;
        FILE* nothing = std::fopen("/dev/null", "r+");
        console = {nothing, nothing, nothing};
        int code = operation();
        long reached[2] = {journalHooks.writes, journalHooks.syncs};
        ssize_t sent = write(counts[1], reached, sizeof reached);
        _exit(sent == sizeof reached ? code : 126);
    }
    close(counts[1]);
    long reached[2] = {0, 0};
    ssize_t got = read(counts[0], reached, sizeof reached);
    close(counts[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != sizeof reached) reached[0] = reached[1] = 0;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), reached[0], reached[1]};
}

int vorn(std::vector<std::string> words) {
    words.insert(words.begin(), "vorn");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    try {
        return runVorn(static_cast<int>(argv.size()), argv.data());
    } catch (const ProcessExit& exit) {
        return exit.code;
    }
}

struct Operation {
    const char* name;
    std::function<int()> run;
    int64_t wholeFileLimit;
};

const Operation kPlainRun{"plain run", [] { return vorn({"2000.4", "2003.4", "faults.fix"}); }, 1 << 20};

class Journal : public ModelTest {
protected:
    // The example working directory afresh, with a fix file that updates, fixes,
    // gives a table and a title, and twenty new series to import.
    void resetWorkdir() {
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry.path());
        copyExampleWorkdir(scratch.path());
        writeFile("faults.fix",
                  "update govt * 1.02\nupdate exports\n2001.1 495 0 0 505\ncta invest\n2001.1 2 0 0 8\n"
                  "matup 2001.1\nunemployment cpi_index\n6 100\n6.1 101\ntitle Faulty run\ngo\n");
        std::string csv = "date";
        for (int s = 1; s <= 20; ++s) csv += ",new" + std::to_string(s);
        for (int q = 1; q <= 4; ++q) {
            csv += "\n2001." + std::to_string(q);
            for (int s = 1; s <= 20; ++s) csv += "," + std::to_string(s * q);
        }
        writeFile("new.csv", csv + "\n");
    }
};

TEST_F(Journal, EveryFailedWriteOrSyncLeavesEveryFileAsItWas) {
    const Operation operations[] = {
        kPlainRun,
        {"plain run, regions journaled", kPlainRun.run, 0},
        {"stochastic run", [] { return vorn({"2000.4", "2001.4", "faults.fix", "3", "1", "1"}); }, 1 << 20},
        {"vornbank import", [] { return runVornbank({"import", "bws", "new.csv"}); }, 1 << 20},
        {"vornbank create --force",
         [] { return runVornbank({"create", "bws", "--base-year", "1990", "--base-month", "1", "--length", "8", "--force"}); },
         1 << 20},
    };
    for (const Operation& operation : operations) {
        JournalHooks hooks;
        hooks.wholeFileLimit = operation.wholeFileLimit;
        resetWorkdir();
        const Snapshot before = snapshot();
        const ChildResult clean = inChild(hooks, operation.run);
        ASSERT_EQ(clean.status, 0) << operation.name;
        ASSERT_NE(snapshot(), before) << operation.name;
        for (long* failAt : {&hooks.failWriteAt, &hooks.failSyncAt}) {
            const long total = failAt == &hooks.failWriteAt ? clean.writes : clean.syncs;
            ASSERT_GT(total, 1) << operation.name;
            for (long n = 1; n <= total; ++n) {
                resetWorkdir();
                *failAt = n;
                EXPECT_NE(inChild(hooks, operation.run).status, 0) << operation.name << ", failure " << n;
                EXPECT_EQ(snapshot(), before) << operation.name << ", failure " << n;
            }
            *failAt = 0;
        }
    }
}

TEST_F(Journal, KilledRunLeavesTheNextOpenTheBankBeforeOrAfter) {
    resetWorkdir();
    const Snapshot before = snapshot();
    const ChildResult clean = inChild({}, kPlainRun.run);
    ASSERT_EQ(clean.status, 0);
    const Snapshot after = snapshot();
    const long steps = clean.writes + clean.syncs;
    ASSERT_GE(steps, 50);
    for (long k = 1; k <= steps; ++k) {
        resetWorkdir();
        JournalHooks hooks;
        hooks.killAt = k;
        ASSERT_EQ(inChild(hooks, kPlainRun.run).status, 128 + SIGKILL) << k;
        const bool left = fileExists("bws.bnk-journal");
        ProgramResult next = runProgram(VORNBANK_BINARY, {"list", "bws"}, scratch.path());
        EXPECT_EQ(next.exitCode, 0) << k;
        EXPECT_EQ(next.err, left ? "bws.bnk-journal was left by a run that did not finish: the bank bws.bnk is "
                                   "restored from it.\n"
                                 : "")
            << k;
        const Snapshot now = snapshot();
        EXPECT_TRUE(now == before || now == after) << "killed before step " << k;
    }
}

// A record cut short or damaged by a crash was never synced: it and what follows are not applied.
TEST_F(Journal, OnlyWholeRecordsAreApplied) {
    const std::string intact = std::string(kJournalMagic, kJournalMagicSize) + fileRecord(0, 6, "bank") +
                               bytesRecord(0, 0, "old");
    std::string damaged = bytesRecord(0, 3, "OLD");
    damaged[14] ^= 1;  // a byte of its payload
    // The bank grew from 6 to 8 bytes, and its first three bytes were "old".
    const std::pair<std::string, std::string> cases[] = {
        {intact, "olddef"},
        {intact + damaged, "olddef"},
        {intact + bytesRecord(0, 3, "OLD").substr(0, 20), "olddef"},
        {intact + bytesRecord(0, 3, "OL"), "oldOLf"},
    };
    for (const auto& [journal, restored] : cases) {
        writeFile("bank", "abcdefgh");
        writeFile("bank-journal", journal);
        std::vector<std::string> names;
        std::string problem;
        ASSERT_TRUE(applyJournal(scratch.file("bank-journal"), names, problem)) << problem;
        EXPECT_EQ(readFile("bank"), restored) << journal.size();
        EXPECT_EQ(names, std::vector<std::string>{"bank"});
        EXPECT_FALSE(fileExists("bank-journal"));
    }
}

}  // namespace
