// The rollback journal under whole runs: every write or sync made to fail in
// turn leaves every file as it was, and a run killed at any of its steps leaves
// the next open the files from before or after the run.
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "bank/journal.h"
#include "bank/journal_file.h"
#include "base/console.h"
#include "run/run.h"
#include "support/harness.h"
#include "vornbank.h"

namespace {

using Snapshot = std::map<std::string, std::string>;

// Name and bytes of every file in the folders.
Snapshot snapshotOf(const std::vector<std::string>& folders) {
    Snapshot files;
    for (const std::string& folder : folders)
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.is_regular_file())
                files[(folder == "." ? "" : folder + "/") + entry.path().filename().string()] =
                    readFile(entry.path().string());
    return files;
}

// ... of the working directory.
Snapshot snapshot() { return snapshotOf({"."}); }

struct ChildResult {
    int status;  // the exit code, or 128 + the signal that ended it
    long writes;
    long syncs;
    long killPoints;
};

// Runs `operation` in a child process with the hooks set and the console on
// /dev/null; the counts are those the child reached.
ChildResult inChild(const JournalHooks& hooks, const std::function<int()>& operation) {
    int counts[2];
    if (pipe(counts) != 0) return {-1, 0, 0, 0};
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(counts[0]);
        journalHooks = hooks;
        FILE* nothing = std::fopen("/dev/null", "r+");
        console = {nothing, nothing, nothing};
        int code = operation();
        long reached[3] = {journalHooks.writes, journalHooks.syncs, journalHooks.killPoints};
        ssize_t sent = write(counts[1], reached, sizeof reached);
        _exit(sent == sizeof reached ? code : 126);
    }
    close(counts[1]);
    long reached[3] = {0, 0, 0};
    ssize_t got = read(counts[0], reached, sizeof reached);
    close(counts[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != sizeof reached) reached[0] = reached[1] = reached[2] = 0;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), reached[0], reached[1], reached[2]};
}

int vorn(std::vector<std::string> words) {
    words.insert(words.begin(), "vorn");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    return runVornProgram(static_cast<int>(argv.size()), argv.data());
}

struct Operation {
    const char* name;
    std::function<int()> run;
    int64_t wholeFileLimit;
};

const Operation kPlainRun{"plain run", [] { return vorn({"2000.4", "2003.4", "faults.fix"}); }, 1 << 20};
const Operation kStochasticRun{"stochastic run", [] { return vorn({"2000.4", "2001.4", "faults.fix", "3", "1", "1", "7"}); },
                               1 << 20};

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
        kStochasticRun,
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

// Killed at any of its steps, a run leaves the next processes that open its
// banks both banks as they were before it or both as it left them.
TEST_F(Journal, KilledRunLeavesTheNextOpenTheBanksBeforeOrAfter) {
    const Operation operations[] = {kPlainRun, kStochasticRun};
    for (const Operation& operation : operations) {
        resetWorkdir();
        const Snapshot before = snapshot();
        const ChildResult clean = inChild({}, operation.run);
        ASSERT_EQ(clean.status, 0) << operation.name;
        const Snapshot after = snapshot();
        const long steps = clean.writes + clean.syncs + clean.killPoints;
        ASSERT_GE(steps, 50) << operation.name;
        for (long k = 1; k <= steps; ++k) {
            resetWorkdir();
            JournalHooks hooks;
            hooks.killAt = k;
            ASSERT_EQ(inChild(hooks, operation.run).status, 128 + SIGKILL) << operation.name << k;
            for (const char* bank : {"bws", "sigma"}) {
                if (!fileExists(std::string(bank) + ".bnk")) continue;
                ProgramResult next = runProgram(VORNBANK_BINARY, {"list", bank}, scratch.path());
                EXPECT_EQ(next.exitCode, 0) << operation.name << ", killed before step " << k << ": " << next.err;
                EXPECT_TRUE(next.err.empty() || next.err.ends_with(" is restored from it.\n") ||
                            next.err.ends_with(": it is removed.\n"))
                    << next.err;
            }
            const Snapshot now = snapshot();
            EXPECT_TRUE(now == before || now == after) << operation.name << ", killed before step " << k;
        }
    }
}

// A process that needs a bank another process is changing, or a writer while
// another reads it, is refused at once with one line naming the bank and the
// process, exit code 15, and changes nothing; the change then ends as if alone.
TEST_F(Journal, ASecondProcessDuringALiveChangeIsRefusedAndChangesNothing) {
    const std::vector<std::string> plain = {"2000.4", "2001.4", "live.fix"};
    const std::vector<std::string> stochastic = {"2000.4", "2001.4", "live.fix", "2", "1", "1", "7"};
    for (const std::vector<std::string>& run : {plain, stochastic}) {
        // The run alone, for the files it leaves.
        resetWorkdir();
        writeFile("live.fix", "update govt * 1.02\ntitle Live run\n");
        ASSERT_EQ(runProgram(VORN_BINARY, run, scratch.path(), "go\n").exitCode, 0);
        const Snapshot alone = snapshot();

        resetWorkdir();
        writeFile("live.fix", "update govt * 1.02\ntitle Live run\n");
        int input[2];
        ASSERT_EQ(pipe(input), 0);
        std::fflush(nullptr);
        pid_t live = fork();
        if (live == 0) {
            dup2(input[0], 0);
            close(input[1]);
            int nothing = open("/dev/null", O_WRONLY);
            dup2(nothing, 1);
            std::vector<char*> argv{const_cast<char*>(VORN_BINARY)};
            for (const std::string& word : run) argv.push_back(const_cast<char*>(word.c_str()));
            argv.push_back(nullptr);
            execv(VORN_BINARY, argv.data());
            _exit(127);
        }
        close(input[0]);
        // The run waits at the prompt once the fixer has written its title, the last of its changes.
        for (int wait = 0; wait < 1000 && readFile("bws.bnk").find("Live run") == std::string::npos; ++wait)
            usleep(10000);
        const Snapshot during = snapshot();
        ASSERT_NE(during, alone);
        const std::string busy = "bws.bnk is in use by process " + std::to_string(live) +
                                 " (vorn): try again when it has finished.\n";
        const std::string sigmaBusy = "sigma.bnk is in use by process " + std::to_string(live) +
                                      " (vorn): try again when it has finished.\n";
        struct Second {
            const char* program;
            std::vector<std::string> args;
            std::string said;  // the end of its output
        };
        std::vector<Second> seconds = {
            {VORNBANK_BINARY, {"list", "bws"}, "vornbank: " + busy},
            {VORNBANK_BINARY, {"info", "bws"}, "vornbank: " + busy},
            {VORNBANK_BINARY, {"import", "bws", "new.csv"}, "vornbank: " + busy},
            {VORNBANK_BINARY, {"create", "bws", "--base-year", "1990", "--base-month", "1", "--length", "8", "--force"},
             "vornbank: " + busy},
            {VORN_BINARY, {"2000.4", "2001.4", "faults.fix"}, "\n" + busy},
        };
        if (run.size() > 3) seconds.push_back({VORNBANK_BINARY, {"list", "sigma"}, "vornbank: " + sigmaBusy});
        for (const Second& second : seconds) {
            ProgramResult result = runProgram(second.program, second.args, scratch.path(), "go\n");
            EXPECT_EQ(result.exitCode, 15) << second.args[0];
            EXPECT_TRUE((second.program == std::string(VORN_BINARY) ? result.out : result.err).ends_with(second.said))
                << result.out << result.err;
            EXPECT_EQ(snapshot(), during) << second.args[0];
        }
        ASSERT_EQ(write(input[1], "go\n", 3), 3);
        close(input[1]);
        int status = 0;
        waitpid(live, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(snapshot(), alone);
    }
    // A reader holds the bank: writers are refused, readers are not.
    ASSERT_EQ(claimBank("bws.bnk", "bws.ind", BankAccess::read).error, BankError::none);
    const Snapshot held = snapshot();
    EXPECT_EQ(runProgram(VORNBANK_BINARY, {"list", "bws"}, scratch.path()).exitCode, 0);
    EXPECT_EQ(runProgram(VORNBANK_BINARY, {"import", "bws", "new.csv"}, scratch.path()).exitCode, 15);
    EXPECT_EQ(runProgram(VORN_BINARY, {"2000.4", "2001.4", "faults.fix"}, scratch.path()).exitCode, 15);
    EXPECT_EQ(snapshot(), held);
    forgetBankChanges();
}

// A commit removes the journal its own process made, and nothing put in its place.
TEST_F(Journal, ACommitRemovesOnlyTheJournalItMade) {
    resetWorkdir();
    ASSERT_EQ(claimBank("bws.bnk", "bws.ind", BankAccess::write).error, BankError::none);
    FILE* data = std::fopen("bws.bnk", "r+b");
    trackBankFile(data, "bws.bnk", "bws.bnk");
    ASSERT_EQ(writeBankBytes(data, 6, "Mine", 4).error, BankError::none);
    writeFile("other", "another process's journal");
    std::filesystem::rename("other", "bws.bnk-journal");
    const Snapshot before = snapshot();
    BankStatus committed = commitBankChanges();
    std::fclose(data);
    EXPECT_EQ(committed.error, BankError::none);
    EXPECT_EQ(committed.notes, "\nbws.bnk-journal is no longer the journal this run made: it is left as it is.\n");
    EXPECT_EQ(snapshot(), before);
}

// A journal is applied only when its count makes it valid and every counted
// record checks out: names a file of its own bank, with the identity of the
// file there now and a length a bank file can have. One that was never made
// valid is dropped; anything else is kept, with the bank, as it is.
TEST_F(Journal, AJournalIsAppliedOnlyWhenEveryRecordChecksOut) {
    std::filesystem::create_directory("w");
    writeFile("w/bank.bnk", "abcdefgh");
    writeFile("w/bank.ind", "index");
    writeFile("outside", "precious");
    auto identity = [](const char* path) {
        struct stat status {};
        stat(path, &status);
        return FileIdentity{status.st_dev, status.st_ino};
    };
    const FileIdentity bank = identity("w/bank.bnk");
    const std::string grewFrom6 = fileRecord(0, 6, bank, "bank.bnk");
    const std::string old = bytesRecord(0, 0, "old");
    std::string damagedRecord = old;
    damagedRecord[14] ^= 1;  // a byte of its payload
    std::string damagedHeader = journalHeader(2, 7);
    damagedHeader[0] ^= 1;
    struct Case {
        const char* what;
        std::string journal;
        BankError result;
        std::string bankAfter;
        std::string said;  // the problem, or the whole line for a journal dropped or applied
    };
    const std::string applied = "\nw/bank.bnk-journal was left by a run that did not finish: the bank w/bank.bnk is "
                                "restored from it.\n";
    const std::string dropped = "\nw/bank.bnk-journal was left by a run that died before it changed the bank "
                                "w/bank.bnk: it is removed.\n";
    const Case cases[] = {
        {"valid", journalHeader(2, 7) + grewFrom6 + old, BankError::none, "olddef", applied},
        {"a record after the count", journalHeader(2, 7) + grewFrom6 + old + bytesRecord(0, 3, "OLD"),
         BankError::none, "olddef", applied},
        {"never made valid", journalHeader(0, 7) + grewFrom6 + old, BankError::none, "abcdefgh", dropped},
        {"header cut short", journalHeader(0, 7).substr(0, 20), BankError::none, "abcdefgh", dropped},
        {"a byte of a record changed", journalHeader(2, 7) + grewFrom6 + damagedRecord, BankError::untrusted,
         "abcdefgh", "its record 2 is damaged"},
        {"its first bytes changed", damagedHeader + grewFrom6 + old, BankError::untrusted, "abcdefgh",
         "its header is damaged"},
        {"fewer records than counted", journalHeader(3, 7) + grewFrom6 + old, BankError::untrusted, "abcdefgh",
         "its record 3 is damaged"},
        {"../outside", journalHeader(2, 7) + fileRecord(0, 8, identity("outside"), "../outside") + old,
         BankError::untrusted, "abcdefgh", "it names ../outside, which is not a file of its bank"},
        {"an absolute path",
         journalHeader(2, 7) + fileRecord(0, 8, identity("outside"), scratch.file("outside")) + old,
         BankError::untrusted, "abcdefgh", "it names " + scratch.file("outside") + ", which is not a file of its bank"},
        {"length -2", journalHeader(2, 7) + fileRecord(0, -2, bank, "bank.bnk") + old, BankError::untrusted, "abcdefgh",
         "it gives bank.bnk a length of -2, which no bank file has"},
        {"length 2^40", journalHeader(1, 7) + fileRecord(1, int64_t{1} << 40, identity("w/bank.ind"), "bank.ind"),
         BankError::untrusted, "abcdefgh", "it gives bank.ind a length of 1099511627776, which no bank file has"},
        {"bytes beyond the length", journalHeader(2, 7) + grewFrom6 + bytesRecord(0, 4, "old"), BankError::untrusted,
         "abcdefgh", "it holds bytes outside the files it names"},
        {"another file there now", journalHeader(2, 7) + fileRecord(0, 6, identity("w/bank.ind"), "bank.bnk") + old,
         BankError::untrusted, "abcdefgh", "it belongs to another file than the bank.bnk there now"},
    };
    for (const Case& c : cases) {
        writeFile("w/bank.bnk", "abcdefgh");
        writeFile("w/bank.bnk-journal", c.journal);
        const Snapshot before = snapshotOf({".", "w"});
        const BankStatus claimed = claimBank("w/bank.bnk", "w/bank.ind", BankAccess::read);
        EXPECT_EQ(claimed.error, c.result) << c.what;
        forgetBankChanges();
        const std::string said = c.result == BankError::none
                                     ? c.said
                                     : "\nw/bank.bnk-journal cannot be trusted: " + c.said +
                                           ". The bank w/bank.bnk may be half written; the journal and the bank are "
                                           "kept as they are.\n";
        EXPECT_EQ(claimed.notes + claimed.message, said) << c.what;
        Snapshot expected = before;
        expected["w/bank.bnk"] = c.bankAfter;
        if (c.result == BankError::none) expected.erase("w/bank.bnk-journal");
        EXPECT_EQ(snapshotOf({".", "w"}), expected) << c.what;
    }
}

}  // namespace
